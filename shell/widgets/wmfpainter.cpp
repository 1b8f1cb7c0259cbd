#include "shell/widgets/wmfpainter.h"

#include "common/paths.h"

#include <QPainter>
#include <QPainterPath>
#include <set>
#include <vector>

namespace kolshell {

namespace {

constexpr int MaxSide = 8000;

QColor ColorRef(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

struct WmfObject {
    enum Kind { None, Pen, Brush, Font } Type = None;
    QPen PenValue;
    QBrush BrushValue;
    QFont FontValue;
    int FontHeight = 0;
};

// The device context the records change.
struct WmfState {
    QPoint WindowOrg{0, 0}, WindowExt{1, 1}, ViewportOrg{0, 0}, ViewportExt{1, 1};
    QPen Pen{Qt::black};
    QBrush Brush{Qt::white};
    QFont Font;
    int FontHeight = 12;
    QColor TextColor{Qt::black}, BkColor{Qt::white};
    bool Opaque = true;
    Qt::FillRule Fill = Qt::OddEvenFill;
    uint16_t TextAlign = 0;
    QPointF Current;
};

class WmfPainter {
  public:
    WmfPainter(const TWmfFile& wmf, QPainter& p, const QSize& size)
        : wmf_(wmf), p_(p), objects_(std::max<size_t>(wmf.Objects, 1)) {
        for (size_t i = 0; i < objects_.size(); ++i)
            free_.insert(free_.end(), i);
        if (wmf.Placeable) {
            s_.WindowOrg = QPoint(wmf.Left, wmf.Top);
            s_.WindowExt = QPoint(wmf.Right - wmf.Left, wmf.Bottom - wmf.Top);
        }
        s_.ViewportExt = QPoint(size.width(), size.height());
        if (!wmf.Placeable) s_.WindowExt = s_.ViewportExt;
    }

    void Draw() {
        for (const TWmfRecord& r : wmf_.Records)
            Record(r);
    }

  private:
    QPointF Map(int x, int y) const {
        const double sx = s_.WindowExt.x() ? double(s_.ViewportExt.x()) / s_.WindowExt.x() : 1;
        const double sy = s_.WindowExt.y() ? double(s_.ViewportExt.y()) / s_.WindowExt.y() : 1;
        return {s_.ViewportOrg.x() + (x - s_.WindowOrg.x()) * sx,
                s_.ViewportOrg.y() + (y - s_.WindowOrg.y()) * sy};
    }
    double ScaleY(int h) const {
        return s_.WindowExt.y() ? std::abs(double(h) * s_.ViewportExt.y() / s_.WindowExt.y())
                                : std::abs(h);
    }
    QRectF Rect(const TWmfRecord& r) const { // bottom, right, top, left
        return QRectF(Map(r.Word(3), r.Word(2)), Map(r.Word(1), r.Word(0))).normalized();
    }
    QPolygonF Points(const TWmfRecord& r, size_t first, size_t count) const {
        QPolygonF poly;
        for (size_t i = 0; i < count; ++i)
            poly << Map(r.Word(first + 2 * i), r.Word(first + 2 * i + 1));
        return poly;
    }
    size_t Words(const TWmfRecord& r) const { return r.Params.size() / 2; }

    void Use() {
        p_.setPen(s_.Pen);
        p_.setBrush(s_.Brush);
    }

    // A new object takes the lowest free slot of the table, which grows when none is free;
    // the free slots are kept in order, so no record scans the whole table.
    void AddObject(const WmfObject& o) {
        ++probes_;
        size_t slot = objects_.size();
        if (free_.empty()) {
            objects_.emplace_back();
        } else {
            slot = *free_.begin();
            free_.erase(free_.begin());
        }
        objects_[slot] = o;
    }
    void DeleteObject(int index) {
        ++probes_;
        if (index < 0 || size_t(index) >= objects_.size()) return;
        objects_[size_t(index)] = WmfObject();
        free_.insert(size_t(index));
    }

  public:
    size_t Probes() const { return probes_; }

  private:
    void Select(int index) {
        if (index < 0 || size_t(index) >= objects_.size()) return;
        const WmfObject& o = objects_[size_t(index)];
        if (o.Type == WmfObject::Pen) s_.Pen = o.PenValue;
        if (o.Type == WmfObject::Brush) s_.Brush = o.BrushValue;
        if (o.Type == WmfObject::Font) s_.Font = o.FontValue, s_.FontHeight = o.FontHeight;
    }

    WmfObject MakePen(const TWmfRecord& r) const {
        WmfObject o;
        o.Type = WmfObject::Pen;
        const int style = r.Word(0) & 0x0F;
        const double width = std::max(1.0, ScaleY(r.Word(1)));
        o.PenValue = QPen(ColorRef(r.Dword(3)), width);
        static const Qt::PenStyle styles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                              Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen,
                                              Qt::SolidLine};
        o.PenValue.setStyle(style <= 6 ? styles[style] : Qt::SolidLine);
        return o;
    }
    WmfObject MakeBrush(const TWmfRecord& r) const {
        WmfObject o;
        o.Type = WmfObject::Brush;
        const int style = r.Word(0);
        const QColor c = ColorRef(r.Dword(1));
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern,
                                                 Qt::CrossPattern, Qt::DiagCrossPattern};
        if (style == 1)
            o.BrushValue = Qt::NoBrush;
        else if (style == 2)
            o.BrushValue = QBrush(c, hatches[std::clamp(int(r.Word(3)), 0, 5)]);
        else
            o.BrushValue = QBrush(c);
        return o;
    }
    WmfObject MakeFont(const TWmfRecord& r) const {
        WmfObject o;
        o.Type = WmfObject::Font;
        std::string face;
        for (size_t i = 18; i < r.Params.size() && i < 50 && r.Params[i]; ++i)
            face.push_back(char(r.Params[i]));
        o.FontValue = QFont(face.empty() ? QString("Sans") : QString::fromLatin1(face.c_str()));
        o.FontHeight = std::max(1, int(ScaleY(r.Word(0) ? r.Word(0) : 12)));
        o.FontValue.setPixelSize(o.FontHeight);
        o.FontValue.setWeight(r.Word(4) >= 700 ? QFont::Bold : QFont::Normal);
        o.FontValue.setItalic(r.Params.size() > 10 && r.Params[10]);
        o.FontValue.setUnderline(r.Params.size() > 11 && r.Params[11]);
        o.FontValue.setStrikeOut(r.Params.size() > 12 && r.Params[12]);
        return o;
    }

    void Text(QPointF at, const std::string& text) {
        p_.setFont(s_.Font);
        const QString t = QString::fromLatin1(text.data(), qsizetype(text.size()));
        const QFontMetricsF fm(s_.Font);
        const double w = fm.horizontalAdvance(t);
        if ((s_.TextAlign & 0x06) == 0x06)
            at.rx() -= w / 2; // centre
        else if (s_.TextAlign & 0x02)
            at.rx() -= w; // right
        const bool baseline = (s_.TextAlign & 0x18) == 0x18;
        const bool bottom = !baseline && (s_.TextAlign & 0x08);
        const double top = baseline ? at.y() - fm.ascent() : bottom ? at.y() - fm.height() : at.y();
        if (s_.Opaque) p_.fillRect(QRectF(at.x(), top, w, fm.height()), s_.BkColor);
        p_.setPen(s_.TextColor);
        p_.drawText(QPointF(at.x(), top + fm.ascent()), t);
    }
    static std::string Chars(const TWmfRecord& r, size_t byteOffset, size_t count) {
        std::string s;
        for (size_t i = 0; i < count && byteOffset + i < r.Params.size(); ++i)
            s.push_back(char(r.Params[byteOffset + i]));
        return s;
    }

    void Record(const TWmfRecord& r) {
        switch (r.Function) {
        case wmfSetWindowOrg:
            s_.WindowOrg = QPoint(r.Word(1), r.Word(0));
            break;
        case wmfSetWindowExt:
            s_.WindowExt = QPoint(r.Word(1), r.Word(0));
            break;
        case wmfSetViewportOrg:
            s_.ViewportOrg = QPoint(r.Word(1), r.Word(0));
            break;
        case wmfSetViewportExt:
            s_.ViewportExt = QPoint(r.Word(1), r.Word(0));
            break;
        case wmfMoveTo:
            s_.Current = Map(r.Word(1), r.Word(0));
            break;
        case wmfLineTo: {
            const QPointF to = Map(r.Word(1), r.Word(0));
            p_.setPen(s_.Pen);
            p_.drawLine(s_.Current, to);
            s_.Current = to;
            break;
        }
        case wmfPolyline:
            p_.setPen(s_.Pen);
            p_.drawPolyline(Points(r, 1, std::min<size_t>(uint16_t(r.Word(0)), Words(r) / 2)));
            break;
        case wmfPolygon:
            Use();
            p_.drawPolygon(Points(r, 1, std::min<size_t>(uint16_t(r.Word(0)), Words(r) / 2)),
                           s_.Fill);
            break;
        case wmfPolyPolygon:
            PolyPolygon(r);
            break;
        case wmfRectangle:
            Use();
            p_.drawRect(Rect(r));
            break;
        case wmfRoundRect: {
            Use();
            const QRectF box(Map(r.Word(5), r.Word(4)), Map(r.Word(3), r.Word(2)));
            const QPointF corner = Map(r.Word(1), r.Word(0)) - Map(0, 0);
            p_.drawRoundedRect(box.normalized(), std::abs(corner.x()) / 2,
                               std::abs(corner.y()) / 2);
            break;
        }
        case wmfEllipse:
            Use();
            p_.drawEllipse(Rect(r));
            break;
        case wmfTextOut: {
            const size_t n = size_t(uint16_t(r.Word(0)));
            const size_t after = 1 + (n + 1) / 2;
            Text(Map(r.Word(after + 1), r.Word(after)), Chars(r, 2, n));
            break;
        }
        case wmfExtTextOut: {
            const size_t n = size_t(uint16_t(r.Word(2)));
            const bool rect = r.Word(3) & 0x06;
            Text(Map(r.Word(1), r.Word(0)), Chars(r, rect ? 16 : 8, n));
            break;
        }
        case wmfCreatePenIndirect:
            AddObject(MakePen(r));
            break;
        case wmfCreateBrushIndirect:
            AddObject(MakeBrush(r));
            break;
        case wmfCreateFontIndirect:
            AddObject(MakeFont(r));
            break;
        case wmfCreatePalette:
        case wmfCreatePatternBrush:
        case wmfDibCreatePatternBrush:
        case wmfCreateRegion:
            AddObject(WmfObject());
            break;
        case wmfSelectObject:
            Select(r.Word(0));
            break;
        case wmfDeleteObject:
            DeleteObject(r.Word(0));
            break;
        case wmfSetTextColor:
            s_.TextColor = ColorRef(r.Dword(0));
            break;
        case wmfSetBkColor:
            s_.BkColor = ColorRef(r.Dword(0));
            break;
        case wmfSetBkMode:
            s_.Opaque = r.Word(0) == 2;
            break;
        case wmfSetPolyFillMode:
            s_.Fill = r.Word(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        case wmfSetTextAlign:
            s_.TextAlign = uint16_t(r.Word(0));
            break;
        case wmfSaveDC:
            saved_.push_back(s_);
            break;
        case wmfRestoreDC:
            if (!saved_.empty()) s_ = saved_.back(), saved_.pop_back();
            break;
        default:
            break; // records that change nothing this window shows
        }
    }

    void PolyPolygon(const TWmfRecord& r) {
        const size_t polygons = size_t(uint16_t(r.Word(0)));
        if (polygons > Words(r)) return;
        QPainterPath path;
        path.setFillRule(s_.Fill);
        size_t at = 1 + polygons;
        for (size_t i = 0; i < polygons; ++i) {
            const size_t n = size_t(uint16_t(r.Word(1 + i)));
            if (at + 2 * n > Words(r)) break;
            path.addPolygon(Points(r, at, n));
            path.closeSubpath();
            at += 2 * n;
        }
        Use();
        p_.drawPath(path);
    }

    const TWmfFile& wmf_;
    QPainter& p_;
    WmfState s_;
    std::vector<WmfState> saved_;
    std::vector<WmfObject> objects_;
    std::set<size_t> free_;
    size_t probes_ = 0;
};

} // namespace

QSize WmfPictureSize(const TWmfFile& wmf) {
    QSize size(400, 300);
    if (wmf.Placeable && wmf.Inch) {
        size = QSize(std::abs(wmf.Right - wmf.Left) * 96 / wmf.Inch,
                     std::abs(wmf.Bottom - wmf.Top) * 96 / wmf.Inch);
    } else {
        for (const TWmfRecord& r : wmf.Records)
            if (r.Function == wmfSetWindowExt) {
                size = QSize(std::abs(r.Word(1)), std::abs(r.Word(0)));
                break;
            }
    }
    return size.boundedTo(QSize(MaxSide, MaxSide)).expandedTo(QSize(1, 1));
}

QImage RenderWmf(const TWmfFile& wmf, const QSize& size, size_t* tableSteps) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    WmfPainter painter(wmf, p, size);
    painter.Draw();
    if (tableSteps) *tableSteps = painter.Probes();
    return image;
}

bool LoadWmfImage(const std::string& fileName, QImage& image, std::string& error) {
    std::string bytes;
    if (IsDirectory(fileName) || !ReadFileBytes(fileName, bytes)) {
        error = "it cannot be read";
        return false;
    }
    TWmfFile wmf;
    if (!ParseWmf(bytes, wmf, error)) return false;
    image = RenderWmf(wmf, WmfPictureSize(wmf));
    return true;
}

} // namespace kolshell
