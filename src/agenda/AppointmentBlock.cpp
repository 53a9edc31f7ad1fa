#include "AppointmentBlock.h"

#include "AgendaStyle.h"
#include "DragPayload.h"
#include "Schedule.h"

#include <QCache>
#include <QFontMetricsF>
#include <QHash>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStaticText>
#include <QTextLayout>

#include <cmath>

namespace {

const QString middleDot = QStringLiteral(" \u00B7 ");

QString withTreatment(const QString& head, const QString& treatment)
{
    return treatment.isEmpty() ? head : head + middleDot + treatment;
}

// Pieces of lines as drawn, for the next paints of any block: the same names, times and treatments
// come back week after week, and shaping text is most of what painting a block costs. A line is kept
// as its pieces (a patient; a time; a treatment), which recur far more often than their combinations,
// so that stepping through weeks of new content still finds them here. A piece is shaped once more and
// kept shaped when it is drawn a second time. User-interface thread only.
struct Piece {
    QString text;
    bool drawn = false;
    std::optional<QStaticText> shaped;
};

QCache<QString, Piece>& pieces()
{
    static QCache<QString, Piece> cache(8192);
    return cache;
}

// QFont::key() writes every attribute out as text (numbers included), which cost more than the lookup
// it served; the blocks use a handful of fonts, so each one's key is made once.
const QString& fontKey(const QFont& font)
{
    static QList<std::pair<QFont, QString>> known;
    for (const auto& [f, key] : std::as_const(known))
        if (f == font)
            return key;
    if (known.size() >= 16)
        known.clear();
    known.append({font, font.key()});
    return known.last().second;
}

bool isSingleLine(const QString& text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
    return true;
}

// The width of a text in a font, remembered: the pieces that lead a line and the time ranges that
// decide a narrow layout come back week after week.
double advance(const QFont& font, const QFontMetricsF& metrics, const QString& text)
{
    static QHash<QString, double> known;
    const QString key = fontKey(font) + u'\x1f' + text;
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;
    if (known.size() >= 4096)
        known.clear();
    return known.insert(key, metrics.horizontalAdvance(text)).value();
}

// Draws `text` from x, cut with an ellipsis where it is wider than `width` (`advance`, when known,
// says whether it is); with `following`, cut as the start of text + following would be (the ellipsis
// standing for what follows too).
void drawFitted(QPainter& p, const QFontMetricsF& metrics, const QString& text, double x, double y, double width,
                double advance = -1, const QString& following = QString())
{
    // The width in 1/1024 points, an integer: formatting a double for every piece drawn was measurable.
    const QString key = fontKey(p.font()) + (following.isEmpty() ? u'\x1f' : u'\x1e')
        + QString::number(qRound64(width * 1024)) + u'\x1f' + text;
    Piece* piece = pieces().object(key);
    if (!piece) {
        const bool fits = following.isEmpty() && advance >= 0 && advance <= width;
        piece = new Piece{fits ? text : metrics.elidedText(text + following, Qt::ElideRight, width), false,
                          std::nullopt};
        pieces().insert(key, piece);
    }
    if (!std::exchange(piece->drawn, true)) {
        p.drawText(QPointF(x, y + metrics.ascent()), piece->text);
        return;
    }
    if (!piece->shaped) {
        piece->shaped.emplace(piece->text);
        piece->shaped->setTextFormat(Qt::PlainText);
        piece->shaped->prepare(QTransform(), p.font());
    }
    // A static text puts its first baseline one leading and one ascent below the point given.
    p.drawStaticText(QPointF(x, y - metrics.leading()), *piece->shaped);
}

// One line in the given font, `head` followed by " · " and `tail` when there is one, cut with an
// ellipsis at its end as the whole line would be; returns the height used.
double drawLine(QPainter& p, const QString& head, const QFont& font, const QColor& color, double x, double y,
                double width, const QString& tail = QString())
{
    const QFontMetricsF metrics(font);
    p.setFont(font);
    p.setPen(color);
    if (!isSingleLine(head) || !isSingleLine(tail)) {
        p.drawText(QPointF(x, y + metrics.ascent()),
                   metrics.elidedText(withTreatment(head, tail), Qt::ElideRight, width));
        return metrics.height();
    }
    if (tail.isEmpty()) {
        drawFitted(p, metrics, head, x, y, width);
        return metrics.height();
    }
    const QString lead = head + middleDot;
    const double leadAdvance = advance(font, metrics, lead);
    const double rest = width - leadAdvance;
    if (leadAdvance <= width
        && (rest >= metrics.horizontalAdvance(QChar(0x2026)) || advance(font, metrics, tail) <= rest)) {
        drawFitted(p, metrics, lead, x, y, width, leadAdvance);
        drawFitted(p, metrics, tail, x + leadAdvance, y, rest);
    } else {
        drawFitted(p, metrics, lead, x, y, width, -1, tail);
    }
    return metrics.height();
}

// Word-wrapped text of at most maxLines lines, the last one cut with an ellipsis when more remains.
void drawWrapped(QPainter& p, const QString& text, const QFont& font, const QColor& color, double x, double y,
                 double width, int maxLines)
{
    const QFontMetricsF metrics(font);
    p.setFont(font);
    p.setPen(color);
    for (const QString& line : AppointmentBlock::wrappedLines(text, font, width, maxLines)) {
        p.drawText(QPointF(x, y + metrics.ascent()), line);
        y += metrics.height();
    }
}

} // namespace

namespace {

// A patient who did not come: the block keeps its text but steps back, in a greyed colour of its dentist.
constexpr double mutedOpacity = 0.55;

QColor muted(const QColor& color)
{
    const QColor hsl = color.toHsl();
    return QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF() * 0.2, std::min(1.0, hsl.lightnessF() + 0.15));
}

// Green reads as "in order" for a confirmation and an arrival.
const QColor markGreen(0x2e, 0x7d, 0x32);

} // namespace

AppointmentBlock::AppointmentBlock(const Appointment& appointment, const QColor& color, bool compact,
                                   const QRectF& rect, AppointmentStatus status)
    : m_appointment(appointment)
    , m_color(status == AppointmentStatus::NoShow ? muted(color) : color)
    , m_compact(compact)
    , m_rect(rect)
    , m_status(status)
{
}

bool AppointmentBlock::contains(const QPointF& point) const
{
    if (!m_rect.contains(point))
        return false;
    // The shape is only needed for the mouse, so it is made at the first question.
    if (!m_shape) {
        m_shape.emplace();
        m_shape->addRoundedRect(m_rect, cornerRadius, cornerRadius);
    }
    return m_shape->contains(point);
}

void AppointmentBlock::paint(QPainter& p, const QPalette& palette) const
{
    if (m_rect.width() <= 0 || m_rect.height() <= 0)
        return;
    p.save();
    if (!paintCachedChrome(p, palette))
        paintChrome(p, m_rect, m_color, AgendaStyle::textBackground(palette));

    // The text lies inside the rounded shape (8 pt from its left edge, clear of the bar and the
    // corners), so the content rectangle alone cuts what does not fit.
    const bool shortLayout = isShort(m_appointment);
    const QRectF content = m_rect.adjusted(8, shortLayout ? 0 : 2, -4, shortLayout ? 0 : -2);
    p.setClipRect(content, Qt::IntersectClip);
    if (m_status == AppointmentStatus::NoShow)
        p.setOpacity(p.opacity() * mutedOpacity);
    if (shortLayout)
        paintShort(p, palette, content);
    else
        paintTall(p, palette, content);
    p.restore();
}

void AppointmentBlock::paintChrome(QPainter& p, const QRectF& rect, const QColor& color, const QColor& background)
{
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(shape, Qt::IntersectClip);
    p.fillPath(shape, background);
    p.fillPath(shape, AgendaStyle::withAlpha(color, 0.25));
    p.fillRect(QRectF(rect.left(), rect.top(), 4, rect.height()), color);
    p.restore();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(AgendaStyle::withAlpha(color, 0.7), 0.75));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(rect, cornerRadius, cornerRadius);
    p.restore();
}

bool AppointmentBlock::paintCachedChrome(QPainter& p, const QPalette& palette) const
{
    // A picture can stand in for the drawing only where it lands on whole device pixels: blocks sit
    // on whole points (GridGeometry) and the painter is at most moved by whole points.
    const QTransform& t = p.deviceTransform();
    const auto whole = [](qreal v) { return v == std::floor(v); };
    if (t.type() > QTransform::TxTranslate || !whole(t.dx()) || !whole(t.dy()) || !whole(m_rect.x())
        || !whole(m_rect.y()) || !whole(m_rect.width()) || !whole(m_rect.height()))
        return false;
    const qreal dpr = p.device() ? p.device()->devicePixelRatio() : 1.0;
    if (dpr != std::floor(dpr))
        return false;
    const QColor background = AgendaStyle::textBackground(palette);
    const QSize size = m_rect.size().toSize();
    const QString key = QStringLiteral("calvora-block-%1x%2-%3-%4-%5")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(m_color.rgba(), 8, 16)
                            .arg(background.rgba(), 8, 16)
                            .arg(dpr);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        // One point of room around the block for the outline, which is centred on its edge.
        picture = QPixmap((size + QSize(2, 2)) * dpr);
        picture.setDevicePixelRatio(dpr);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        paintChrome(painter, QRectF(QPointF(1, 1), QSizeF(size)), m_color, background);
        painter.end();
        QPixmapCache::insert(key, picture);
    }
    p.drawPixmap(m_rect.topLeft() - QPointF(1, 1), picture);
    return true;
}

void AppointmentBlock::paintShort(QPainter& p, const QPalette& palette, const QRectF& content) const
{
    const QFont font = AgendaStyle::font(m_compact ? 11 : 12, QFont::DemiBold);
    const double lineHeight = QFontMetricsF(font).height();
    const double y = content.top() + (content.height() - lineHeight) / 2;
    drawLine(p, m_appointment.patient, font, AgendaStyle::primary(palette), content.left(), y,
             content.width() - markRoom(), m_appointment.treatment);
    paintMark(p, palette, content, y, lineHeight);
}

double AppointmentBlock::markRoom() const
{
    return m_status == AppointmentStatus::ToConfirm ? 0 : 12;
}

void AppointmentBlock::paintMark(QPainter& p, const QPalette& palette, const QRectF& content, double top,
                                 double lineHeight) const
{
    if (m_status == AppointmentStatus::ToConfirm)
        return;
    const double side = std::min(9.0, lineHeight - 2);
    const QRectF box(content.right() - side - 1, top + (lineHeight - side) / 2, side, side);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    switch (m_status) {
    case AppointmentStatus::Confirmed:
        p.setPen(QPen(markGreen, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF{QPointF(box.left(), box.center().y()),
                                 QPointF(box.left() + side * 0.38, box.bottom() - side * 0.1),
                                 QPointF(box.right(), box.top() + side * 0.1)});
        break;
    case AppointmentStatus::Arrived:
        p.setPen(Qt::NoPen);
        p.setBrush(markGreen);
        p.drawEllipse(box);
        break;
    case AppointmentStatus::NoShow:
        p.setPen(QPen(AgendaStyle::primary(palette), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomLeft());
        break;
    case AppointmentStatus::ToConfirm:
        break;
    }
    p.restore();
}

void AppointmentBlock::paintTall(QPainter& p, const QPalette& palette, const QRectF& content) const
{
    const double x = content.left();
    const double width = content.width();
    const QColor secondary = AgendaStyle::secondary(palette);
    double y = content.top();
    if (m_compact) {
        const NarrowText narrow = narrowWeekText(m_appointment, width, content.height());
        if (!narrow.patient.isEmpty()) {
            const QFont name = AgendaStyle::font(11, QFont::DemiBold);
            paintMark(p, palette, content, y, QFontMetricsF(name).height());
            for (const QString& line : narrow.patient)
                y += drawLine(p, line, name, AgendaStyle::primary(palette), x, y,
                              line == narrow.patient.first() ? width - markRoom() : width);
            drawLine(p, narrow.detail, AgendaStyle::font(10), secondary, x, y + 1, width);
            return;
        }
    }
    const QFont name = AgendaStyle::font(m_compact ? 11 : 13, QFont::DemiBold);
    paintMark(p, palette, content, y, QFontMetricsF(name).height());
    y += drawLine(p, m_appointment.patient, name, AgendaStyle::primary(palette), x, y, width - markRoom()) + 1;
    y += drawLine(p, m_appointment.timeRange(), AgendaStyle::font(m_compact ? 10 : 11), secondary, x, y, width,
                  m_appointment.treatment) + 1;
    if (m_compact)
        return;
    const QFont detail = AgendaStyle::font(11);
    if (!m_appointment.phone.isEmpty())
        y += drawLine(p, QStringLiteral("\u260E ") + m_appointment.phone, detail, secondary, x, y, width) + 1;
    if (!m_appointment.notes.isEmpty())
        drawWrapped(p, m_appointment.notes, AgendaStyle::font(11, QFont::Normal, true), secondary, x, y, width, 2);
}

AppointmentBlock::NarrowText AppointmentBlock::narrowWeekText(const Appointment& a, double width, double height)
{
    const QFont name = AgendaStyle::font(11, QFont::DemiBold);
    const QFont detail = AgendaStyle::font(10);
    if (advance(detail, QFontMetricsF(detail), a.timeRange()) <= width)
        return {};
    // The end can be read off the block's height; the start and the patient's whole name matter more.
    NarrowText text;
    text.detail = withTreatment(Schedule::clockText(a.startMinutes), a.treatment);
    const QFontMetricsF metrics(name);
    const QStringList words = a.patient.split(u' ', Qt::SkipEmptyParts);
    const bool roomForTwo = height >= 2 * metrics.height() + QFontMetricsF(detail).height();
    if (words.size() < 2 || !roomForTwo || metrics.horizontalAdvance(a.patient) <= width)
        text.patient = {a.patient};
    else
        text.patient = {words.first(), words.mid(1).join(u' ')};
    return text;
}

QStringList AppointmentBlock::wrappedLines(const QString& text, const QFont& font, double width, int maxLines)
{
    if (width <= 0 || maxLines <= 0)
        return {};
    // A line break the user typed breaks the line: QTextLayout breaks at U+2028, not at "\n".
    QString broken = text;
    broken.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    broken.replace(u'\r', u'\n');
    broken.replace(u'\n', QChar::LineSeparator);
    const QFontMetricsF metrics(font);
    QTextLayout layout(broken, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> lines;
    while (lines.size() <= maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        lines.append(line);
    }
    layout.endLayout();
    QStringList shown;
    const int count = int(std::min<qsizetype>(lines.size(), maxLines));
    for (int i = 0; i < count; ++i) {
        const QTextLine& line = lines[i];
        QString part = broken.mid(line.textStart(), line.textLength());
        if (i == count - 1 && lines.size() > maxLines)
            part = metrics.elidedText(broken.mid(line.textStart()).simplified(), Qt::ElideRight, width);
        part.remove(QChar::LineSeparator);
        shown << part.trimmed();
    }
    return shown;
}

QString AppointmentBlock::toolTip(const Appointment& a, const QString& dentistName,
                                  std::optional<AppointmentStatus> status)
{
    QStringList lines{a.timeRange() + QStringLiteral("  ") + a.patient};
    if (!dentistName.isEmpty())
        lines << QStringLiteral("con ") + dentistName;
    if (status)
        lines << AppointmentStatuses::label(*status);
    if (!a.treatment.isEmpty())
        lines << a.treatment;
    if (!a.phone.isEmpty())
        lines << QStringLiteral("Tel. ") + a.phone;
    if (!a.notes.isEmpty())
        lines << a.notes;
    return lines.join(u'\n');
}

QMimeData* AppointmentBlock::dragPayload(const Appointment& a)
{
    auto* data = new QMimeData;
    data->setText(DragPayload::fromId(a.id));
    return data;
}
