// zr48pm: the desktop program.

#include "base/Settings.h"
#include "base/qt/QtSettingsStore.h"
#include "shell/MainForm.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("KELDO");
    QApplication::setApplicationName("ZR48");
    QApplication::setApplicationDisplayName("KELDO ZR48 Project Manager");

    zr48::QtSettingsStore store;
    zr48::Settings settings(store, zr48::platformSettingsDefaults());

    zr48::TMainForm mainForm(settings);
    mainForm.show();
    return QApplication::exec();
}
