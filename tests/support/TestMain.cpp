// The main() of every test program: a private home, a QApplication on the offscreen
// platform (widget tests need it, and headless tests lose nothing by it), then GoogleTest.
#include <QApplication>

#include <gtest/gtest.h>

namespace kalvor::test {
void setUpTestHome();
void tearDownTestHome();
} // namespace kalvor::test

int main(int argc, char** argv) {
    kalvor::test::setUpTestHome();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Kalvor"));
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    kalvor::test::tearDownTestHome();
    return result;
}
