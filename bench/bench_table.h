#pragma once

#include <string>

// The one table `make bench` prints: a row per figure, with the target it is judged by and
// whether it was met, printed as soon as the figure is measured.
class CBenchTable
{
public:
    CBenchTable();

    void Row(const std::string& figure, const std::string& measured, const std::string& target,
             bool met);
    // A figure measured to explain another, with no target of its own.
    void Reference(const std::string& figure, const std::string& measured);
    // A figure that could not be measured, with the reason in place of the value.
    void Failed(const std::string& figure, const std::string& reason, const std::string& target);

    // "N of M targets met"; a missed target's reason, when there is one, is in the reference
    // rows beneath it.
    void PrintSummary() const;
    // Figures that could not be measured at all: the benchmark itself is broken.
    int Failures() const { return failures; }

private:
    void Print(const std::string& figure, const std::string& measured, const std::string& target,
               const char* verdict);

    int rows = 0;
    int misses = 0;
    int failures = 0;
};

// printf-style formatting of one number.
std::string Format(const char* format, double value);
