// The floor for start-up figures: a Qt window with nothing in it but a label, in the Fusion style the
// application uses. scripts/measure-startup launches it beside the application in every run.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QLabel label(QStringLiteral("Bare Qt window"));
    label.setWindowTitle(QStringLiteral("Bare Qt window"));
    label.setAlignment(Qt::AlignCenter);
    label.resize(480, 320);
    label.show();
    return QApplication::exec();
}
