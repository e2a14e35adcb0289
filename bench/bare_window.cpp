// The start-up reference: a bare Qt window with as many widgets of each kind
// as Form1 (4 text fields, 29 push buttons, 5 labels) at fixed places, with
// no fonts, translations, accessibility or wiring of its own. It moves with
// the machine, the Qt build and the display, as rechner does.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.resize(548, 506);
    for (int i = 0; i < 4; ++i) {
        (new QLineEdit(&window))->setGeometry(32, 24 + 68 * i, 297, 33);
    }
    for (int i = 0; i < 29; ++i) {
        (new QPushButton(QString::number(i), &window))->setGeometry(40 + 70 * (i % 7), 232 + 35 * (i / 7), 49, 25);
    }
    for (int i = 0; i < 5; ++i) {
        (new QLabel(QStringLiteral("Label"), &window))->setGeometry(336, 32 + 68 * i, 113, 25);
    }
    window.show();
    return QApplication::exec();
}
