// One print job over any number of windows: the margin, the running vertical position, the
// line height and the line advance that starts a new page with its header.
#pragma once

#include <QPainter>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPrinter;

namespace kolshell {

// The printer of the program (the one Print Setup sets up).
QPrinter& CurrentPrinter();

class TPrintJob {
  public:
    // Starts the job on the device: the first page header, the print font, the first line.
    explicit TPrintJob(QPagedPaintDevice* device);
    ~TPrintJob();

    // False when the printer or file could not be opened: nothing is printed.
    bool Started() const { return started_; }
    // Drawing begins any page that a line advance has started.
    QPainter& Canvas() {
        BeginPendingPage();
        return painter_;
    }
    int Margin() const { return margin_; }
    int PrintX() const { return printX_; }
    int PrintY() const { return printY_; }
    int LineHeight() const { return lineHeight_; }
    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }
    int PageNumber() const { return page_; }
    // Printer pixels per screen pixel.
    double Scale() const;

    // Moves down by dy; past the bottom margin a new page begins, with its header. The page
    // is put on paper when something is drawn on it, so a job never ends with an empty page.
    void Advance(int dy);
    // Whatever follows starts on a new page.
    void ForceNewPage();
    // Writes a text with its top-left corner at (x, y).
    void Text(int x, int y, const QString& text);
    // The program's version in the page header.
    static QString Version;

  private:
    void Header(const QString& left);
    void BeginPendingPage();

    QPagedPaintDevice* device_;
    QPainter painter_;
    int margin_ = 0, printX_ = 0, printY_ = 0, lineHeight_ = 0;
    int pageWidth_ = 0, pageHeight_ = 0, page_ = 1;
    bool started_ = false, pagePending_ = false;
};

// A text window's lines 1..count in the fixed font, one line each, not wrapped.
void PrintTextLines(TPrintJob& job, int count, const std::function<QString(int)>& line);

} // namespace kolshell
