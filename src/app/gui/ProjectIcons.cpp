#include "app/gui/ProjectIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "app/AppIds.h"

namespace tsrn::app {
namespace {

constexpr int kSize = 32;
const QColor kSteel(52, 84, 122);
const QColor kGold(226, 176, 56);
const QColor kFolder(232, 190, 90);
const QColor kRed(200, 48, 48);
const QColor kGreen(46, 150, 70);

QPixmap Paint(const std::function<void(QPainter&)>& draw, int size = kSize) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    draw(painter);
    return pixmap;
}

void DrawPadlock(QPainter& p, bool open, const QColor& body) {
    p.setPen(QPen(QColor(90, 90, 100), 3.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(10, 15);
    shackle.lineTo(10, 10);
    shackle.arcTo(10, 3, 12, 12, 180, -180);
    shackle.lineTo(22, open ? 8 : 15);
    p.drawPath(open ? shackle.translated(5, -2) : shackle);
    p.setPen(QPen(body.darker(150), 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(6, 14, 20, 15), 3, 3);
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 20.5), 2.2, 2.2);
    p.drawRect(QRectF(15.2, 21, 1.6, 4.5));
}

void DrawFolder(QPainter& p) {
    p.setPen(QPen(kFolder.darker(160), 1.2));
    p.setBrush(kFolder.darker(115));
    p.drawRoundedRect(QRectF(3, 7, 12, 6), 2, 2);
    p.setBrush(kFolder);
    p.drawRoundedRect(QRectF(3, 10, 24, 17), 2, 2);
}

void DrawBadge(QPainter& p, const QColor& color, const std::function<void(QPainter&)>& glyph) {
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(color);
    p.drawEllipse(QRectF(17, 17, 14, 14));
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    glyph(p);
}

void DrawShield(QPainter& p, const QColor& color) {
    QPainterPath shield;
    shield.moveTo(16, 2);
    shield.lineTo(28, 6);
    shield.cubicTo(28, 18, 23, 26, 16, 30);
    shield.cubicTo(9, 26, 4, 18, 4, 6);
    shield.closeSubpath();
    QLinearGradient fill(0, 0, 32, 32);
    fill.setColorAt(0, color.lighter(140));
    fill.setColorAt(1, color);
    p.setPen(QPen(color.darker(160), 1.4));
    p.setBrush(fill);
    p.drawPath(shield);
}

QPixmap ProgramPixmap(int size) {
    return Paint(
        [](QPainter& p) {
            DrawShield(p, kSteel);
            p.translate(6, 6);
            p.scale(0.62, 0.62);
            DrawPadlock(p, false, kGold);
        },
        size);
}

QIcon FromTheme(const char* name, const QPixmap& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), QIcon(fallback));
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64})
        icon.addPixmap(ProgramPixmap(size));
    return icon;
}

QIcon TrayIcon(bool busy) {
    QIcon icon;
    for (const int size : {16, 22, 32}) {
        icon.addPixmap(Paint(
            [busy](QPainter& p) {
                DrawShield(p, busy ? QColor(196, 110, 30) : kSteel);
                p.translate(6, 6);
                p.scale(0.62, 0.62);
                DrawPadlock(p, false, busy ? QColor(255, 214, 120) : kGold);
            },
            size));
    }
    return icon;
}

QIcon CommandIcon(int commandId) {
    switch (commandId) {
        case ids::kCmdLock:
            return FromTheme("system-lock-screen",
                             Paint([](QPainter& p) { DrawPadlock(p, false, kGold); }));
        case ids::kCmdUnlock:
            return Paint([](QPainter& p) { DrawPadlock(p, true, kGold); });
        case ids::kCmdExit:
            return FromTheme("application-exit", Paint([](QPainter& p) {
                                 p.setPen(QPen(kSteel.darker(130), 1.4));
                                 p.setBrush(QColor(210, 220, 232));
                                 p.drawRect(QRectF(5, 4, 14, 24));
                                 p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
                                 p.drawLine(QPointF(13, 16), QPointF(28, 16));
                                 p.drawLine(QPointF(23, 11), QPointF(28, 16));
                                 p.drawLine(QPointF(23, 21), QPointF(28, 16));
                             }));
        case ids::kCmdAddFolder:
            return Paint([](QPainter& p) {
                DrawFolder(p);
                DrawBadge(p, kGreen, [](QPainter& q) {
                    q.drawLine(QPointF(24, 20), QPointF(24, 28));
                    q.drawLine(QPointF(20, 24), QPointF(28, 24));
                });
            });
        case ids::kCmdDeleteFolder:
            return Paint([](QPainter& p) {
                DrawFolder(p);
                DrawBadge(p, kRed,
                          [](QPainter& q) { q.drawLine(QPointF(20, 24), QPointF(28, 24)); });
            });
        case ids::kCmdStart:
            return FromTheme(
                "media-playback-start", Paint([](QPainter& p) {
                    p.setPen(QPen(kGreen.darker(140), 1.2));
                    p.setBrush(kGreen);
                    p.drawPolygon(QPolygonF({QPointF(9, 5), QPointF(26, 16), QPointF(9, 27)}));
                }));
        case ids::kCmdStop:
            return FromTheme("media-playback-stop", Paint([](QPainter& p) {
                                 p.setPen(QPen(kRed.darker(140), 1.2));
                                 p.setBrush(kRed);
                                 p.drawRoundedRect(QRectF(7, 7, 18, 18), 2, 2);
                             }));
        case ids::kCmdFolderProtection:
            return Paint([](QPainter& p) {
                DrawFolder(p);
                p.translate(14, 12);
                p.scale(0.55, 0.55);
                DrawShield(p, kSteel);
            });
        case ids::kCmdSettings:
            return FromTheme("preferences-system", Paint([](QPainter& p) {
                                 p.setPen(QPen(kSteel, 4, Qt::SolidLine, Qt::RoundCap));
                                 for (int i = 0; i < 8; ++i) {
                                     p.save();
                                     p.translate(16, 16);
                                     p.rotate(45.0 * i);
                                     p.drawLine(QPointF(0, 9), QPointF(0, 13));
                                     p.restore();
                                 }
                                 p.setPen(QPen(kSteel, 3));
                                 p.setBrush(Qt::NoBrush);
                                 p.drawEllipse(QPointF(16, 16), 7.5, 7.5);
                             }));
        case ids::kCmdHelpContents:
            return FromTheme("help-contents", Paint([](QPainter& p) {
                                 p.setPen(QPen(kSteel.darker(130), 1.2));
                                 p.setBrush(QColor(70, 120, 200));
                                 p.drawEllipse(QRectF(3, 3, 26, 26));
                                 p.setPen(Qt::white);
                                 QFont font = p.font();
                                 font.setBold(true);
                                 font.setPixelSize(20);
                                 p.setFont(font);
                                 p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter,
                                            QStringLiteral("?"));
                             }));
        default:
            return {};
    }
}

QPixmap AboutPicture() {
    QPixmap picture(350, 70);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 350, 70);
    sky.setColorAt(0, QColor(24, 44, 78));
    sky.setColorAt(1, QColor(70, 110, 160));
    p.fillRect(picture.rect(), sky);
    p.setPen(QColor(255, 255, 255, 28));
    for (int x = -70; x < 350; x += 14)
        p.drawLine(x, 70, x + 70, 0);
    p.drawPixmap(14, 7, ProgramPixmap(56));
    QFont title = p.font();
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(240, 244, 250));
    p.drawText(QRect(84, 8, 260, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tessaryn"));
    QFont sub = p.font();
    sub.setPixelSize(12);
    sub.setBold(false);
    p.setFont(sub);
    p.setPen(QColor(200, 214, 232));
    p.drawText(QRect(86, 42, 260, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("folders enciphered in place"));
    return picture;
}

QPixmap LinkCursorPicture() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(Qt::white);
        QPainterPath hand;
        hand.addRoundedRect(QRectF(9, 12, 14, 16), 4, 4);
        hand.addRoundedRect(QRectF(9, 2, 5, 14), 2.5, 2.5);
        p.drawPath(hand.simplified());
    });
}

}  // namespace tsrn::app
