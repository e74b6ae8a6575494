// The window's tests run on Qt's offscreen platform: no display needed.

#include <QApplication>
#include <QtTest>

#include "shell_tests.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int failed = 0;
    for (const auto& make : stakor::test::ShellTestClasses()) {
        std::unique_ptr<QObject> tests = make();
        failed += QTest::qExec(tests.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
