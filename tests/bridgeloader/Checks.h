#pragma once

#include <string>

// Named checks of a console test: each prints one line as it is made, and the summary line
// "N passed, M failed" ends the run.
class Checks
{
public:
    // False when the check failed, so a caller can skip what depends on it.
    bool check(bool ok, const std::string &what);
    bool equal(const std::string &actual, const std::string &expected, const std::string &what);
    // Prints the summary; the exit status of the program (0 only when nothing failed).
    int finish() const;

private:
    int passed = 0;
    int failed = 0;
};
