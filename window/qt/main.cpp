#include "window/qt/command_line.hpp"
#include "window/qt/form1.hpp"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    if (const int status = rechner::answerCommandLine(argc, argv, std::cout, std::cerr); status >= 0) {
        return status;
    }
    QApplication app(argc, argv);
    rechner::prepareApplication(app);
    rechner::Form1 form;
    form.show();
    return QApplication::exec();
}
