#include "shell_tests.h"

namespace stakor::test {

std::vector<std::function<std::unique_ptr<QObject>()>>& ShellTestClasses()
{
    static std::vector<std::function<std::unique_ptr<QObject>()>> classes;
    return classes;
}

} // namespace stakor::test
