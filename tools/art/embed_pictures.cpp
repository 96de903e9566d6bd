// Turns the pictures listed in res.qrc into pixel arrays compiled into the game, so that the
// canvas draws them straight from the program's memory: nothing is decoded while the window is
// being set up. The PNG files stay the pictures' one source; this runs at build time.
//
//   embed_pictures RES_QRC OUT_CPP
//
// OUT_CPP defines tarvenko::embeddedPicture(name), the picture of a file name in the qrc
// ("KARA_MASU.png"), or nullptr for a name not there. Only the set for ordinary screens is
// embedded: the @2x set, four times the size, would only make the program bigger in memory
// where it is not used, and a HiDPI screen decodes it from the files as before.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSaveFile>
#include <QString>

#include <cstdio>

namespace {

// Every pixel as a \x escape: a string literal compiles far faster than a list of numbers.
QByteArray literal(const uchar* bytes, qsizetype size) {
    static const char digits[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(size * 4 + size / 16 * 8);
    for (qsizetype i = 0; i < size; ++i) {
        if (i % 32 == 0) out += i == 0 ? "\n    \"" : "\"\n    \"";
        out += "\\x";
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    out += "\"";
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: embed_pictures RES_QRC OUT_CPP\n");
        return 2;
    }
    QFile qrc(QString::fromLocal8Bit(argv[1]));
    if (!qrc.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "embed_pictures: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString list = QString::fromUtf8(qrc.readAll());
    const QDir dir = QFileInfo(qrc.fileName()).absoluteDir();

    QByteArray arrays, table;
    int count = 0;
    static const QRegularExpression file(QStringLiteral("<file>([^<]+)</file>"));
    for (auto it = file.globalMatch(list); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (name.contains(QLatin1Char('@'))) continue;
        QImage image(dir.filePath(name));
        if (image.isNull()) {
            std::fprintf(stderr, "embed_pictures: cannot read %s\n", qPrintable(name));
            return 1;
        }
        // The format the file itself decodes to, so the canvas draws exactly what it drew from
        // the file; anything that is not 32-bit is widened first.
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32 &&
            image.format() != QImage::Format_ARGB32_Premultiplied) {
            image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                  : QImage::Format_RGB32);
        }
        const qsizetype row = static_cast<qsizetype>(image.width()) * 4;
        QByteArray pixels;
        for (int y = 0; y < image.height(); ++y) {
            pixels.append(reinterpret_cast<const char*>(image.constScanLine(y)), row);
        }
        arrays += "alignas(16) const char p" + QByteArray::number(count) + "[] =" +
                  literal(reinterpret_cast<const uchar*>(pixels.constData()), pixels.size()) +
                  ";\n";
        table += "    {\"" + name.toUtf8() + "\", " + QByteArray::number(image.width()) + ", " +
                 QByteArray::number(image.height()) + ", " +
                 QByteArray::number(static_cast<int>(image.format())) + ", p" +
                 QByteArray::number(count) + "},\n";
        ++count;
    }
    if (count == 0) {
        std::fprintf(stderr, "embed_pictures: no pictures in %s\n", argv[1]);
        return 1;
    }

    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "embed_pictures: cannot write %s\n", argv[2]);
        return 1;
    }
    out.write("// Generated at build time by tools/art/embed_pictures from res/res.qrc.\n"
              "#include \"platform/qt/EmbeddedPictures.h\"\n\n"
              "#include <cstring>\n\n"
              "namespace tarvenko {\n\nnamespace {\n\n");
    out.write(arrays);
    out.write("\nconst EmbeddedPicture kPictures[] = {\n");
    out.write(table);
    out.write("};\n\n} // namespace\n\n"
              "const EmbeddedPicture* embeddedPicture(const char* name) {\n"
              "    for (const EmbeddedPicture& p : kPictures) {\n"
              "        if (std::strcmp(p.name, name) == 0) return &p;\n"
              "    }\n"
              "    return nullptr;\n"
              "}\n\n} // namespace tarvenko\n");
    return out.commit() ? 0 : 1;
}
