// A broken property is a finding like a crash: the process aborts, and libFuzzer keeps the
// input. The property goes into the sanitizer's report, which still reaches the terminal
// when the targets run with their own standard error closed (-close_fd_mask=2).
#pragma once

#include <cstdlib>
#include <sanitizer/common_interface_defs.h>

inline void Require(bool holds, const char* property)
{
    if (holds)
        return;
    __sanitizer_report_error_summary(property);
    std::abort();
}
