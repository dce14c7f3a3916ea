#include "storage/profile_writer.h"

namespace {

constexpr std::string_view Eol = "\r\n";

} // namespace

void CProfileWriter::BeginSection(std::string_view name)
{
    if (!text.empty())
        text += Eol;
    text += '[';
    text += name;
    text += ']';
    text += Eol;
}

void CProfileWriter::WriteKey(std::string_view key, std::string_view value)
{
    text += key;
    text += '=';
    text += value;
    text += Eol;
}
