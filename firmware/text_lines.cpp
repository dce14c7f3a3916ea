#include "firmware/text_lines.h"

bool ReadLinePiece(FILE* stream, std::string& piece)
{
    piece.clear();
    while (piece.size() < kMaxLinePiece) {
        const int c = std::getc(stream);
        if (c == EOF) {
            break;
        }
        piece.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    return !piece.empty();
}

void DropTrailingLineFeed(std::string& piece)
{
    if (!piece.empty() && piece.back() == '\n') {
        piece.pop_back();
    }
}
