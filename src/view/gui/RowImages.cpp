#include "view/gui/RowImages.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

namespace tsrn::view {
namespace {

const QColor kFolderBack(214, 160, 40);
const QColor kFolderFront(250, 206, 92);
const QColor kPaper(252, 252, 248);
const QColor kRed(204, 32, 32);
const QColor kBlue(30, 80, 200);

void DrawFolder(QPainter& p) {
    p.setPen(QPen(kFolderBack.darker(140), 1));
    p.setBrush(kFolderBack);
    p.drawRect(QRectF(1.5, 2.5, 6, 3));
    p.setBrush(kFolderFront);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
}

void DrawDocument(QPainter& p) {
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(kPaper);
    p.drawPath(page);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
}

void DrawKey(QPainter& p) {
    p.setPen(QPen(kRed.darker(130), 1));
    p.setBrush(kRed);
    p.drawEllipse(QRectF(7.5, 7.5, 4, 4));
    p.setPen(QPen(kRed, 1.6));
    p.drawLine(QPointF(11, 11), QPointF(15, 15));
    p.drawLine(QPointF(13.5, 13.5), QPointF(12, 15));
}

void DrawQuestion(QPainter& p, const QColor& color) {
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(6, 4, 10, 12), Qt::AlignCenter, QStringLiteral("?"));
}

QImage Draw(int index) {
    QImage pixmap(kRowImageSize, kRowImageSize, QImage::Format_ARGB32_Premultiplied);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const bool folder = index <= 2;
    if (folder)
        DrawFolder(p);
    else
        DrawDocument(p);
    if (index == 0 || index == 4)
        DrawKey(p);
    if (index == 2)
        DrawQuestion(p, kBlue);
    if (index == 5)
        DrawQuestion(p, Qt::black);
    return pixmap;
}

}  // namespace

const QImage& RowImage(int index) {
    static const std::array<QImage, kRowImageCount> images = [] {
        std::array<QImage, kRowImageCount> all;
        for (int i = 0; i < kRowImageCount; ++i)
            all[static_cast<std::size_t>(i)] = Draw(i);
        return all;
    }();
    static const QImage none;
    if (index < 0 || index >= kRowImageCount)
        return none;
    return images[static_cast<std::size_t>(index)];
}

}  // namespace tsrn::view
