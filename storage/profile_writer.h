#pragma once

#include <string>
#include <string_view>

// Builds the text of a private-profile file in the order its sections and keys are added.
// Lines end in CR LF, as in the files the Windows panel writes, so files move freely
// between the two.
class CProfileWriter
{
public:
    void BeginSection(std::string_view name);
    void WriteKey(std::string_view key, std::string_view value);

    const std::string& Text() const { return text; }

private:
    std::string text;
};
