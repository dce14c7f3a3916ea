#include "firmware/text_lines.h"

LineResult ReadTextLine(FILE* stream, std::size_t& allowance, TextLine& line)
{
    line.text.clear();
    line.tooLong = false;
    bool anyByte = false;
    for (;;) {
        const int c = std::getc(stream);
        if (c == EOF) {
            return anyByte ? LineResult::Line : LineResult::EndOfText;
        }
        if (allowance == 0) {
            return LineResult::OverLimit;
        }
        --allowance;
        anyByte = true;
        if (c == '\n') {
            return LineResult::Line;
        }
        if (line.text.size() < LongestRecordLine) {
            line.text.push_back(static_cast<char>(c));
        } else {
            line.tooLong = true;
        }
    }
}
