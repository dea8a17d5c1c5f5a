// Build-time tool: turns the icon's PNG renderings into C++ arrays of premultiplied ARGB pixels,
// so the program holds the icon ready to use instead of decoding five PNG files (libpng and
// zlib, about a millisecond) each time the window starts.
//   vanteo_embed_icon OUTPUT.cpp SIZE=FILE.png...
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vanteo_embed_icon OUTPUT.cpp SIZE=FILE.png...\n");
        return 2;
    }
    QString text;
    QTextStream out(&text);
    out << "// Made by vanteo_embed_icon from the icon's PNG renderings: do not edit.\n"
           "#include \"app/ProgramIconPixels.h\"\n\nnamespace vanteo {\nnamespace {\n\n";
    QStringList entries;
    for (int n = 2; n < argc; ++n) {
        const QString argument = QString::fromLocal8Bit(argv[n]);
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        bool sizeOk = false;
        const int size = argument.left(equals).toInt(&sizeOk);
        const QString path = argument.mid(equals + 1);
        QImageReader reader(path, "png");
        reader.setAutoDetectImageFormat(false);
        // The same conversion QPixmap::fromImage makes on a raster screen, done once here.
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (equals < 0 || !sizeOk || image.isNull() || image.width() != size ||
            image.height() != size) {
            std::fprintf(stderr, "vanteo_embed_icon: %s is not a %d-pixel square PNG image\n",
                         qPrintable(path), size);
            return 1;
        }
        const QString name = QStringLiteral("kPixels%1").arg(size);
        out << "alignas(4) constexpr std::uint32_t " << name << "[] = {";
        for (int y = 0; y < size; ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < size; ++x) {
                out << ((y * size + x) % 8 == 0 ? "\n    " : " ")
                    << QStringLiteral("0x%1u,").arg(line[x], 8, 16, QLatin1Char('0'));
            }
        }
        out << "\n};\n\n";
        entries << QStringLiteral("    {%1, %2},\n").arg(size).arg(name);
    }
    out << "}  // namespace\n\nconst std::vector<IconPixels>& ProgramIconPixels() {\n"
           "    static const std::vector<IconPixels> sizes{\n"
        << entries.join(QString()) << "    };\n    return sizes;\n}\n\n}  // namespace vanteo\n";
    out.flush();
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.toUtf8()) != text.toUtf8().size()) {
        std::fprintf(stderr, "vanteo_embed_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
