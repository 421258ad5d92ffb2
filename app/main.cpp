#include "Dialog.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    auto* window = new Dialog;
    window->show();
    const int result = app.exec();
    delete window;  // writes the settings
    return result;
}
