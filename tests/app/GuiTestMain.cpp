// GoogleTest with a QApplication: the desktop program's windows are tested offscreen unless a
// display is asked for (QT_QPA_PLATFORM set by the caller), in the language of the environment
// (ctest sets KORVANE_LANG), Qt's own texts included.
#include "KorvaneManagerApp.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    KorvaneApp::KorvaneManagerApp::UseLanguage(Zelt::CLanguage::FromEnvironment());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
