// Renders the brand logo into the PNG sizes of the hicolor icon theme.
// Usage: render-app-icon LOGO.svg FOLDER; writes FOLDER/<size>/apps/tessel-calendar.png.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QSvgRenderer logo(arguments.value(1));
    if (arguments.size() != 3 || !logo.isValid()) {
        QTextStream(stderr) << "usage: render-app-icon LOGO.svg OUTPUT-FOLDER" << Qt::endl;
        return 2;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = u"%1/%2x%2/apps"_s.arg(arguments.at(2)).arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        logo.render(&painter);
        painter.end();
        if (!QDir().mkpath(folder) || !image.save(folder + u"/tessel-calendar.png"_s))
            return 1;
    }
    return 0;
}
