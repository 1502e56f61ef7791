#pragma once

#include <QApplication>
#include <QString>
#include <QTest>

namespace quillet::test {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR
// (mode 0700) at a fresh temporary folder, so a test never reads or writes the
// user's own files. Called before the application object exists.
void isolateEnvironment();

// The temporary home folder made by isolateEnvironment().
QString isolatedHome();

} // namespace quillet::test

// QTEST_MAIN with an isolated environment.
#define QUILLET_TEST_MAIN(TestClass)                                                                         \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        quillet::test::isolateEnvironment();                                                                 \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
