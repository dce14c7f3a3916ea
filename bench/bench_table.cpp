#include "bench/bench_table.h"

#include <cstdio>

namespace {

constexpr int FigureWidth = 46;
constexpr int MeasuredWidth = 26;
constexpr int TargetWidth = 22;

} // namespace

CBenchTable::CBenchTable()
{
    Print("figure", "measured", "target", "");
    std::printf("|%s|%s|%s|------|\n", std::string(FigureWidth + 2, '-').c_str(),
                std::string(MeasuredWidth + 2, '-').c_str(),
                std::string(TargetWidth + 2, '-').c_str());
    std::fflush(stdout);
}

void CBenchTable::Row(const std::string& figure, const std::string& measured,
                      const std::string& target, bool met)
{
    ++rows;
    misses += met ? 0 : 1;
    Print(figure, measured, target, met ? "met" : "MISS");
}

void CBenchTable::Reference(const std::string& figure, const std::string& measured)
{
    Print(figure, measured, "reference", "");
}

void CBenchTable::Failed(const std::string& figure, const std::string& reason,
                         const std::string& target)
{
    ++rows;
    ++misses;
    ++failures;
    Print(figure, "failed: " + reason, target, "MISS");
}

void CBenchTable::Print(const std::string& figure, const std::string& measured,
                        const std::string& target, const char* verdict)
{
    std::printf("| %-*s | %*s | %*s | %-4s |\n", FigureWidth, figure.c_str(), MeasuredWidth,
                measured.c_str(), TargetWidth, target.c_str(), verdict);
    std::fflush(stdout);
}

void CBenchTable::PrintSummary() const
{
    std::printf("\n%d of %d targets met.\n", rows - misses, rows);
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
