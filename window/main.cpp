#include "window/form1.hpp"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    rechner::Form1 form;
    form.show();
    return QApplication::exec();
}
