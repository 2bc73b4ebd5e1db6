// Draws Grovewright's application icon at any size: a conifer and a round broadleaf tree on a
// rounded green tile. Drawn as paths, so every size of the desktop's icon theme is sharp.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>

namespace {

void DrawTile(QPainter& painter, double size) {
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0.0, QColor(0xD8, 0xEE, 0xF8));
    sky.setColorAt(1.0, QColor(0x9C, 0xCC, 0x7A));
    painter.setPen(QPen(QColor(0x2E, 0x5E, 0x23), size / 32.0));
    painter.setBrush(sky);
    const double inset = size / 32.0;
    painter.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), size / 6.0, size / 6.0);
}

void DrawConifer(QPainter& painter, double size) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x6B, 0x42, 0x1E));
    painter.drawRect(QRectF(size * 0.31, size * 0.70, size * 0.07, size * 0.16));
    QPainterPath crown;
    crown.moveTo(size * 0.345, size * 0.10);
    crown.lineTo(size * 0.58, size * 0.74);
    crown.lineTo(size * 0.11, size * 0.74);
    crown.closeSubpath();
    QLinearGradient light(size * 0.1, 0, size * 0.6, 0);
    light.setColorAt(0.0, QColor(0x3C, 0x8C, 0x2E));
    light.setColorAt(1.0, QColor(0x17, 0x4A, 0x14));
    painter.setBrush(light);
    painter.drawPath(crown);
}

void DrawBroadleaf(QPainter& painter, double size) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x7A, 0x4B, 0x22));
    painter.drawRect(QRectF(size * 0.65, size * 0.58, size * 0.08, size * 0.28));
    QRadialGradient light(size * 0.62, size * 0.35, size * 0.30);
    light.setColorAt(0.0, QColor(0x8C, 0xC8, 0x4B));
    light.setColorAt(1.0, QColor(0x2F, 0x6E, 0x1F));
    painter.setBrush(light);
    painter.drawEllipse(QPointF(size * 0.69, size * 0.45), size * 0.22, size * 0.20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE OUTPUT.png\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int size = std::atoi(argv[1]);
    if (size < 8 || size > 1024) {
        std::fprintf(stderr, "size must be 8 to 1024\n");
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawTile(painter, size);
    DrawBroadleaf(painter, size);
    DrawConifer(painter, size);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
