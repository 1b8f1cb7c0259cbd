#include "common/widgets/printjob.h"

#include "common/widgets/fonts.h"
#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPrinter>
#include <QScreen>

namespace kolshell {

QString TPrintJob::Version = "2.011";

QPrinter& CurrentPrinter() {
    static QPrinter printer;
    return printer;
}

namespace {

QFont Arial(int points) {
    QFont f("Arial");
    f.setPointSize(points);
    return f;
}

QString Now() {
    const QLocale l;
    const QDateTime t = QDateTime::currentDateTime();
    return l.toString(t.date(), QLocale::ShortFormat) + " " +
           l.toString(t.time(), QLocale::ShortFormat);
}

} // namespace

TPrintJob::TPrintJob(QPagedPaintDevice* device) : device_(device) {
    started_ = painter_.begin(device);
    if (!started_) return;
    pageWidth_ = device->width();
    pageHeight_ = device->height();
    // The longer side over 11: the page height upright, the width when lying.
    margin_ = std::max(pageWidth_, pageHeight_) / 11;
    printX_ = margin_ / 2;
    painter_.setClipRect(0, 0, pageWidth_, pageHeight_);
    painter_.setFont(Arial(9));
    Header(QString("KOLSHELL Ver. " + Version).left(20));
    painter_.setFont(Arial(10));
    lineHeight_ = painter_.fontMetrics().height() + 1;
    printY_ = margin_ / 4 + 3 * lineHeight_;
}

TPrintJob::~TPrintJob() {
    if (!started_) return;
    painter_.setClipping(false);
    painter_.end();
}

double TPrintJob::Scale() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double screenDpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return device_->logicalDpiX() / screenDpi;
}

void TPrintJob::Header(const QString& left) {
    const int y = margin_ / 4 + painter_.fontMetrics().ascent();
    painter_.drawText(printX_, y, left);
    const QString now = Now();
    painter_.drawText(pageWidth_ - printX_ / 2 - painter_.fontMetrics().horizontalAdvance(now), y,
                      now);
}

void TPrintJob::Advance(int dy) {
    printY_ += dy;
    if (printY_ <= pageHeight_ - margin_) return;
    ++page_;
    pagePending_ = true;
    printY_ = margin_ + dy;
}

void TPrintJob::BeginPendingPage() {
    if (!pagePending_ || !started_) return;
    pagePending_ = false;
    device_->newPage();
    const QFont remembered = painter_.font();
    painter_.setFont(Arial(10));
    Header("Page " + QString::number(page_));
    painter_.setFont(remembered);
}

void TPrintJob::ForceNewPage() {
    if (pagePending_) return; // the next page is still empty
    printY_ = pageHeight_ - margin_ + 1;
    Advance(lineHeight_);
}

void TPrintJob::Text(int x, int y, const QString& text) {
    Canvas().drawText(x, y + painter_.fontMetrics().ascent(), text);
}

void PrintTextLines(TPrintJob& job, int count, const std::function<QString(int)>& line) {
    QFont f = TerminalFont();
    f.setPointSize(job.Canvas().font().pointSize());
    job.Canvas().setFont(f);
    for (int i = 1; i <= count; ++i) {
        job.Text(job.PrintX(), job.PrintY(), line(i));
        job.Advance(job.LineHeight());
    }
}

} // namespace kolshell
