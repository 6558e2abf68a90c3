#include <cstdio>

#include <QDir>
#include <QList>
#include <QPainter>
#include <QString>

#include "OutlinedSprite.h"
#include "PartyParrot.h"
#include "RunningRabbit.h"

using namespace pacemark;

namespace {

// Three pixels per point: crisp at 24 points on a 3x panel and at any smaller height.
constexpr int pixelsPerUnit = 3;
const QColor edge(0x1c, 0x18, 0x24);
constexpr qreal edgeWidthPixels = 3.2;

struct Sheet
{
    QString name;
    QList<QImage> frames;
};

template <typename Draw>
Sheet drawSheet(const QString& name, int frames, QSize cellUnits, Draw draw)
{
    QList<QImage> drawn;
    for (int i = 0; i < frames; ++i)
        drawn.append(OutlinedSprite::outlined(draw(i, pixelsPerUnit), edge, edgeWidthPixels));
    return { name, OutlinedSprite::fitted(drawn, cellUnits * pixelsPerUnit) };
}

// Every frame at the menu-bar heights on a light and a dark panel, enlarged without smoothing so
// that single pixels can be judged.
QImage preview(const QList<Sheet>& sheets)
{
    constexpr int zoom = 4;
    const QList<int> heights { 16, 20, 24 };
    int width = 0;
    for (const Sheet& sheet : sheets)
        width = std::max(width, static_cast<int>(sheet.frames.size()) * 40);
    QImage panel(width, static_cast<int>(sheets.size() * heights.size()) * 28, QImage::Format_ARGB32_Premultiplied);
    QImage result(panel.width() * zoom, panel.height() * zoom * 2, QImage::Format_ARGB32_Premultiplied);
    QPainter out(&result);
    for (const QColor& background : { QColor(0xec, 0xec, 0xec), QColor(0x2b, 0x2b, 0x30) }) {
        panel.fill(background);
        QPainter p(&panel);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        int y = 2;
        for (const Sheet& sheet : sheets) {
            for (const int height : heights) {
                int x = 2;
                for (const QImage& frame : sheet.frames) {
                    const int frameWidth = frame.width() * height / frame.height();
                    p.drawImage(QRect(x, y, frameWidth, height), frame);
                    x += frameWidth + 4;
                }
                y += 28;
            }
        }
        p.end();
        out.drawImage(
            QRect(0, background.lightness() > 128 ? 0 : result.height() / 2, result.width(), result.height() / 2),
            panel);
    }
    out.end();
    return result;
}

bool save(const QImage& image, const QString& path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "spritegen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && qstrcmp(argv[2], "--preview") == 0)) {
        std::fprintf(stderr, "usage: spritegen <resource folder> [--preview <preview.png>]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QList<Sheet> sheets {
        drawSheet(QStringLiteral("c7"), PartyParrot::frameCount, { 26, 24 }, PartyParrot::frame),
        drawSheet(QStringLiteral("toki"), RunningRabbit::frameCount, { 30, 24 }, RunningRabbit::frame),
    };
    for (const Sheet& sheet : sheets) {
        if (!save(OutlinedSprite::sheet(sheet.frames), folder.filePath(sheet.name + QStringLiteral(".png"))))
            return 1;
    }
    if (argc == 4 && !save(preview(sheets), QString::fromLocal8Bit(argv[3])))
        return 1;
    return 0;
}
