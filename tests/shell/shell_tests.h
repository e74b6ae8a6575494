#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>

namespace stakor::test {

// Each test file adds its test class here.
std::vector<std::function<std::unique_ptr<QObject>()>>& ShellTestClasses();

template <typename T> struct TRegisterShellTests {
    TRegisterShellTests()
    {
        ShellTestClasses().push_back([] { return std::make_unique<T>(); });
    }
};

} // namespace stakor::test
