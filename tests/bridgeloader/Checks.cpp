#include "Checks.h"

#include <cstdio>

bool Checks::check(bool ok, const std::string &what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    ++(ok ? passed : failed);
    return ok;
}

bool Checks::equal(const std::string &actual, const std::string &expected, const std::string &what)
{
    if (check(actual == expected, what))
        return true;
    std::printf("     got \"%s\", expected \"%s\"\n", actual.c_str(), expected.c_str());
    return false;
}

int Checks::finish() const
{
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
