#include "kolsed/widgets/kolsedform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/diagnosticsview.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "kolsed/annotation.h"
#include "kolsed/deckwriter.h"
#include "kolsed/formswitch.h"
#include "run/widgets/compiling.h"
#include "run/widgets/runner.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace kolshell {

QFont QtFont(const TFontDef& d) {
    QFont f(ToQ(d.Name));
    f.setPointSize(d.Size > 0 ? d.Size : 10);
    f.setBold(d.Bold);
    f.setItalic(d.Italic);
    f.setUnderline(d.Underline);
    return f;
}

int TQtFormMetrics::TextHeight(const TFontDef& font, const std::string&) const {
    return QFontMetrics(QtFont(font)).height();
}

int TQtFormMetrics::TextWidth(const TFontDef& font, const std::string& text) const {
    return QFontMetrics(QtFont(font)).horizontalAdvance(ToQ(text));
}

bool TQtFormMetrics::PictureSize(const std::string& file, int& width, int& height) const {
    const QSize size = QImageReader(QString::fromStdString(NativePath(file))).size();
    if (!size.isValid()) return TFormMetrics::PictureSize(file, width, height);
    width = size.width();
    height = size.height();
    return true;
}

namespace {

QString ColourSheet(uint32_t rgb) {
    return QString("color: #%1;").arg(rgb & 0xFFFFFF, 6, 16, QChar('0'));
}

// The colour is the widget's own: a group's colour never reaches the buttons in it.
void SetFont(QWidget* w, const TFontDef& font) {
    w->setFont(QtFont(font));
    w->setStyleSheet(
        QString("%1 { %2 }").arg(w->metaObject()->className(), ColourSheet(font.Color)));
}

// A field's font and colour in a one-pixel dark frame around a white ground: the frame shows
// on any form background, the ground around the text.
void SetFieldLook(QLineEdit* edit, const TFontDef& font) {
    edit->setFont(QtFont(font));
    edit->setStyleSheet("QLineEdit { " + ColourSheet(font.Color) +
                        " background: white; border: 1px solid #606060; padding: 0 1px; }");
}

// Shows the text from its start, so that a minus sign or a file name's first letters are
// what a field too narrow for the whole text still shows.
void ShowFromStart(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setCursorPosition(0);
}

// A file field shows the file's name; the whole path is its tool tip.
void ShowFileName(QLineEdit* edit, const std::string& path) {
    ShowFromStart(edit, ToQ(ExtractFileName(path)));
    edit->setToolTip(ToQ(path));
}

// A quoted-text picture: the text in italic, with room for two blanks.
QPixmap TextPicture(const TImage& image, const TFontDef& font, int width, int height) {
    QPixmap pixmap(std::max(1, width), std::max(1, height));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QFont f = QtFont(font);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(QRgb(font.Color)));
    p.drawText(pixmap.rect(), Qt::AlignCenter, ToQ(image.QuotedText));
    return pixmap;
}

} // namespace

TKOLSEDForm::TKOLSEDForm(QWidget* parent) : TChildForm(TWindowKind::Form, parent) {
    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName("ScrollBox");
    content_ = new QWidget;
    content_->setAutoFillBackground(true);
    scrollBox_->setWidget(content_);
    scrollBox_->setWidgetResizable(false);
    setWidget(scrollBox_);
    resize(700, 500);
}

bool TKOLSEDForm::ReadDeck(const std::string& fileName, TCompiling* progress) {
    form_ = TFormModel();
    form_.UnitSystem = Options().UnitSystem;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    const TDiagnostics diagnostics =
        kolshell::ReadDeck(form_, fileName, TQtFormMetrics(), [progress](int n) {
            if (progress && progress->isVisible()) progress->Update(n);
        });
    Globals().ErrorLevel = form_.ErrorLevel; // the shell checks it before saving or running
    // A message of the reader is not to be hidden under the stay-on-top progress window.
    if (progress && !diagnostics.empty()) progress->hide();
    ShowDiagnostics(diagnostics);
    QApplication::restoreOverrideCursor();
    if (form_.Stop == ReadStop::Close) return false;
    BuildWidgets();
    SetCaption(ToQ(fileName));
    return true;
}

void TKOLSEDForm::FrameWindow() {
    auto* area = mdiArea();
    const int areaWidth = area ? area->width() : 1024, areaHeight = area ? area->height() : 768;
    if (areaWidth <= 640) {
        showMaximized();
        return;
    }
    showNormal();
    // The frame, and the vertical scroll bar a form taller than the window shows.
    const int height = std::max(200, areaHeight - 70);
    int frame = width() - scrollBox_->viewport()->width();
    if (!scrollBox_->verticalScrollBar()->isVisible() && content_->height() + frame > height)
        frame += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBox_);
    const int clientWidth =
        form_.Widest > 100 ? form_.Widest + 2 * form_.CharWidth + 30 : content_->width() + 20;
    setGeometry(0, 0, std::min(areaWidth, clientWidth + frame), height);
}

QWidget* TKOLSEDForm::ParentOf(const TFormItem& item) {
    if (item.InGroup && item.Group && frames_.count(item.Group)) return frames_[item.Group];
    return content_;
}

void TKOLSEDForm::Place(QWidget* w, const TControlBox* box) {
    placed_.emplace_back(w, box);
}

QLabel* TKOLSEDForm::MakeLabel(QWidget* parent, const TDescriptor& d) {
    auto* label = new QLabel(ToQ(d.Text, form_.Encoding), parent);
    SetFont(label, d.Font);
    label->setAlignment(Qt::AlignVCenter | (d.Alignment == alCenter  ? Qt::AlignHCenter
                                            : d.Alignment == alRight ? Qt::AlignRight
                                                                     : Qt::AlignLeft));
    Place(label, &d);
    labels_.emplace_back(label, &d);
    return label;
}

void TKOLSEDForm::BuildWidgets() {
    QPalette pal = content_->palette();
    pal.setColor(QPalette::Window, QColor(QRgb(form_.Background)));
    content_->setPalette(pal);
    scrollBox_->viewport()->setPalette(pal);
    scrollBox_->viewport()->setAutoFillBackground(true);
    for (auto& ptr : form_.Items) {
        TFormItem& item = *ptr;
        if (IsFrame(item)) {
            MakeFrame(item);
            continue;
        }
        QWidget* parent = ParentOf(item);
        if (item.Caption && item.Caption->Visible && !item.Caption->Text.empty())
            MakeLabel(parent, *item.Caption);
        if (item.Input) MakeField(item, parent);
        if (item.UnitLabel) MakeLabel(parent, *item.UnitLabel);
        if (item.List && item.List->Active) MakeList(item, parent);
        if (item.FileField) MakeFileField(item, parent);
        if (item.Picture) MakePicture(item, parent);
        if (item.AppButton) MakeAppButton(item, parent);
    }
    GuardWheel(content_); // scrolling the form never changes a list under the pointer
    Sync();
}

void TKOLSEDForm::MakeFrame(TFormItem& item) {
    TGroupBox& g = *item.OwnGroup;
    auto* frame = new QGroupBox(ToQ(g.Caption, form_.Encoding), content_);
    frame->setObjectName("Group" + ToQ(g.Name));
    SetFont(frame, g.Font);
    frames_[&g] = frame;
    Place(frame, &g);
    for (size_t n = 0; n < g.Buttons.size(); ++n) {
        const TGButton& b = g.Buttons[n];
        QAbstractButton* button = item.Kind == ikCheckBlock
                                      ? static_cast<QAbstractButton*>(new QCheckBox(frame))
                                      : new QRadioButton(frame);
        button->setText(ToQ(b.Caption, form_.Encoding));
        button->setObjectName(QString("%1.%2").arg(ToQ(g.Name)).arg(n + 1));
        button->setAutoExclusive(false); // the model decides which radio button is on
        SetFont(button, b.Font);
        connect(button, &QAbstractButton::clicked, this,
                [this, &item, n] { ButtonClicked(item, n); });
        button->installEventFilter(this);
        buttons_.emplace_back(button, &b);
        focusOrder_.push_back(button);
        Place(button, &b);
    }
}

namespace {
// What the user typed, in the deck's encoding; a character it cannot hold is kept aside so
// that the deck is not saved with it.
void TypeDeckText(TInput& in, const QString& text, TEncoding encoding) {
    std::string bytes;
    in.Refused.clear();
    if (!FromQ(text, encoding, bytes, in.Refused)) bytes = FromQ(text);
    TypeIntoField(in, bytes);
}
} // namespace

void TKOLSEDForm::MakeField(TFormItem& item, QWidget* parent) {
    TInput& in = *item.Input;
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString(in.Numeric ? "Input%1" : "Text%1").arg(item.Index));
    if (in.MaxLength > 0) edit->setMaxLength(in.MaxLength);
    ShowFromStart(edit, ToQ(in.Text, form_.Encoding));
    SetFieldLook(edit, in.Font);
    connect(edit, &QLineEdit::textEdited, this, [this, &in](const QString& text) {
        TypeDeckText(in, text, form_.Encoding);
        ShowModified();
    });
    edit->installEventFilter(this);
    fields_[edit] = &item;
    edits_.emplace_back(edit, &in);
    focusOrder_.push_back(edit);
    Place(edit, &in);
}

void TKOLSEDForm::MakeList(TFormItem& item, QWidget* parent) {
    TFileInput& l = *item.List;
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString("List%1").arg(item.Index));
    for (const std::string& e : l.Entries)
        combo->addItem(ToQ(e, form_.Encoding));
    combo->setCurrentIndex(l.ItemIndex);
    SetFont(combo, l.Font);
    connect(combo, &QComboBox::currentIndexChanged, this, [this, &l](int i) {
        l.ItemIndex = i;
        ShowModified();
    });
    combo->installEventFilter(this);
    fields_[combo] = &item;
    focusOrder_.push_back(combo);
    Place(combo, &l);
}

void TKOLSEDForm::MakeFileField(TFormItem& item, QWidget* parent) {
    TOpenFile& f = *item.FileField;
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString("File%1").arg(item.Index));
    edit->setReadOnly(true);
    ShowFileName(edit, f.FileName);
    SetFieldLook(edit, f.Font);
    edit->installEventFilter(this);
    fields_[edit] = &item;
    focusOrder_.push_back(edit);
    Place(edit, &f);
}

void TKOLSEDForm::MakePicture(TFormItem& item, QWidget* parent) {
    const TImage& image = *item.Picture;
    auto* label = new QLabel(parent);
    label->setObjectName(QString("Picture%1").arg(item.Index));
    const QPixmap pixmap =
        image.File.empty()
            ? TextPicture(image, form_.Presentation.Fonts[2], image.Width, image.Height)
            : QPixmap(QString::fromStdString(NativePath(image.File)));
    label->setPixmap(pixmap);
    pictures_[&image] = pixmap;
    if (image.Slot > 0) {
        label->setToolTip(ToQ(image.Parameters));
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        clickable_[label] = &item;
    }
    Place(label, &image);
}

void TKOLSEDForm::MakeAppButton(TFormItem& item, QWidget* parent) {
    const TAppButton& a = *item.AppButton;
    auto* button = new QToolButton(parent);
    button->setObjectName(QString("AppButton%1").arg(item.Index));
    const int slot = std::clamp(a.Slot, 1, 4);
    const std::string glyph = ProgramDirs().LinkBitmaps[size_t(slot - 1)];
    if (!glyph.empty() && FileExists(glyph))
        button->setIcon(QIcon(QString::fromStdString(NativePath(glyph))));
    else
        button->setText(QString::number(slot));
    button->setToolTip(ToQ(a.Parameters));
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, &a] { StartLink(a.Slot, a.Parameters); });
    focusOrder_.push_back(button);
    Place(button, &a);
}

void TKOLSEDForm::Sync() {
    int right = 80 * form_.CharWidth, bottom = 0;
    for (auto& [w, box] : placed_) {
        // Labels and lists size themselves to their text, as the original controls did.
        int width = std::max(box->Width, 1);
        if (qobject_cast<QLabel*>(w) || qobject_cast<QComboBox*>(w))
            width = std::max(width, w->sizeHint().width());
        w->setGeometry(box->Left, box->Top, width, std::max(box->Height, 1));
        w->setVisible(box->Visible && box->Height > 0);
        if (w->parentWidget() == content_ && box->Visible) {
            right = std::max(right, box->Right());
            bottom = std::max(bottom, box->Top + box->Height);
        }
    }
    for (auto& [button, b] : buttons_) {
        const QSignalBlocker block(button);
        button->setChecked(b->Checked);
    }
    content_->resize(right + 20, bottom + 20);
}

void TKOLSEDForm::RefreshTexts() {
    for (auto& [label, d] : labels_)
        label->setText(ToQ(d->Text, form_.Encoding));
    for (auto& [edit, in] : edits_) {
        const QSignalBlocker block(edit);
        ShowFromStart(edit, ToQ(in->Text, form_.Encoding));
    }
}

void TKOLSEDForm::ButtonClicked(TFormItem& block, size_t n) {
    TGroupBox& g = *block.OwnGroup;
    if (block.Kind == ikCheckBlock)
        SetCheckBox(form_, g, n, !g.Buttons[n].Checked);
    else
        PressRadioButton(form_, g, n);
    Sync();
    ShowModified();
}

void TKOLSEDForm::ShowOpenFileDlg(TFormItem& item) {
    TOpenFile& f = *item.FileField;
    const std::string dir = GetCurrentDir();
    int index = 1;
    const QString chosen = Dialogs().OpenFileName(
        this, "Open", ToQ(f.FileName),
        "Data Files|*" + ToQ(ExtractFileExt(f.FileName)) + "|All Files|*", &index);
    SetCurrentDir(dir);
    if (chosen.isEmpty()) return;
    TDiagnostics diagnostics;
    const bool chosenFits = ChooseAssignFile(form_, item, FromQ(chosen), diagnostics);
    ShowDiagnostics(diagnostics);
    if (!chosenFits) return;
    for (auto& [w, it] : fields_)
        if (it == &item) ShowFileName(static_cast<QLineEdit*>(w), FromQ(chosen));
    ShowModified();
}

void TKOLSEDForm::StartLink(int slot, const std::string& parameters) {
    if (slot < 1 || slot > 4) return;
    std::string& path = ProgramDirs().Links[size_t(slot - 1)];
    if (!FileExists(path)) {
        if (ShowMsg("Application link " + path + " was not found.  " +
                        "Do you want to browse to locate this file?",
                    MsgKind::WarningYesNo, false) != MsgAnswer::Yes)
            return;
        int index = 1;
        const QString chosen = Dialogs().OpenFileName(
            this, "Open", ToQ(path), "Applications (.EXE)|*.EXE|All files (*)|*", &index);
        if (!chosen.isEmpty()) path = FromQ(chosen);
    }
    RunProgramOK(path + " " + parameters);
}

bool TKOLSEDForm::FieldExit(QLineEdit* edit) {
    TFormItem* item = fields_.count(edit) ? fields_[edit] : nullptr;
    if (!item || !item->Input || !item->Input->Numeric) return true;
    item->Input->Text = FromQ(edit->text());
    TDiagnostics diagnostics;
    const bool valid = CheckInputValue(form_, *item->Input, diagnostics);
    Globals().ErrorLevel = form_.ErrorLevel;
    ShowDiagnostics(diagnostics);
    if (valid) return true;
    // The focus comes back with the whole text selected, so that typing replaces it (leaving
    // the field has dropped the selection).
    edit->selectAll();
    QTimer::singleShot(0, edit, [edit] {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    });
    return false;
}

bool TKOLSEDForm::CheckActiveInput() {
    form_.ErrorLevel = Globals().ErrorLevel = 0;
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget())) FieldExit(edit);
    return form_.ErrorLevel == 0;
}

bool TKOLSEDForm::IsModified() const {
    return DCKChanged(form_);
}

bool TKOLSEDForm::SaveDocument(const std::string& name) {
    const bool written = WriteDeck(name);
    SetCaption(ToQ(form_.DeckName)); // the deck the window holds, written or not
    return written;
}

void TKOLSEDForm::ConvertUnits(int fromSystem, int toSystem) {
    kolshell::ConvertUnits(form_, fromSystem, toSystem);
    RefreshTexts();
    Sync(); // unit labels take the width of their new text
}

std::optional<std::string> TKOLSEDForm::UnsavedBytes() {
    if (!DCKChanged(form_)) return std::nullopt;
    return DeckBytes(form_);
}

void TKOLSEDForm::RestoredAs(const std::string& name) {
    RestoredDeck(form_, name);
    SetCaption(ToQ(name));
    emit MenuChanged();
}

bool TKOLSEDForm::FormCloseQuery() {
    if (!DCKChanged(form_)) return true;
    const MsgAnswer answer = ShowMsg(form_.DeckName + " has been changed.  Save it?",
                                     MsgKind::WarningYesNoCancel, false);
    if (answer == MsgAnswer::Yes)
        return CheckActiveInput() && MayWrite() && WriteDeck(form_.DeckName);
    return answer == MsgAnswer::No;
}

bool TKOLSEDForm::WriteDeck(const std::string& name) {
    TDiagnostics diagnostics;
    bool reapplied = false;
    const bool written =
        kolshell::WriteDeck(form_, name, diagnostics, TQtFormMetrics(), &reapplied);
    // The form now holds the deck as the other program left it, with the user's edits: its
    // controls are made again before anything (a message's event loop) can reach the old ones.
    if (reapplied) RebuildWidgets();
    ShowDiagnostics(diagnostics);
    return written;
}

void TKOLSEDForm::RebuildWidgets() {
    QWidget* old = scrollBox_->takeWidget();
    for (QWidget* w : old->findChildren<QWidget*>()) {
        w->removeEventFilter(this);
        disconnect(w, nullptr, this, nullptr);
    }
    old->hide();
    old->deleteLater();
    placed_.clear();
    frames_.clear();
    fields_.clear();
    clickable_.clear();
    buttons_.clear();
    labels_.clear();
    edits_.clear();
    focusOrder_.clear();
    pictures_.clear();
    content_ = new QWidget;
    content_->setAutoFillBackground(true);
    scrollBox_->setWidget(content_);
    BuildWidgets();
    setWindowTitle(ToQ(form_.DeckName));
}

bool TKOLSEDForm::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && !checking_ && reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason) {
            checking_ = true;
            if (FieldExit(edit)) edit->setCursorPosition(0);
            checking_ = false;
        }
        break;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (fields_.count(watched) && fields_[watched]->FileField && OpensChooser(*key)) {
            ShowOpenFileDlg(*fields_[watched]);
            return true;
        }
        if (w && HandleKey(w, key->key(), key->modifiers())) return true;
        break;
    }
    case QEvent::MouseButtonPress:
        if (fields_.count(watched) && fields_[watched]->FileField) {
            ShowOpenFileDlg(*fields_[watched]);
            return true;
        }
        if (clickable_.count(watched)) {
            const TImage& p = *clickable_[watched]->Picture;
            StartLink(p.Slot, p.Parameters);
            return true;
        }
        break;
    default:
        break;
    }
    return TChildForm::eventFilter(watched, event);
}

// Enter, F4 and Alt+Down open a file field's chooser, as they open a list.
bool TKOLSEDForm::OpensChooser(const QKeyEvent& key) {
    const int k = key.key();
    return k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_F4 ||
           (k == Qt::Key_Down && key.modifiers() & Qt::AltModifier);
}

std::vector<QWidget*> TKOLSEDForm::Focusable() const {
    std::vector<QWidget*> out;
    for (QWidget* w : focusOrder_)
        if (w->isVisibleTo(content_) && w->isEnabled()) out.push_back(w);
    return out;
}

void TKOLSEDForm::FocusTo(QWidget* w) {
    if (!w) return;
    w->setFocus(Qt::TabFocusReason);
    scrollBox_->ensureWidgetVisible(w);
}

bool TKOLSEDForm::HandleKey(QWidget* w, int key, Qt::KeyboardModifiers mods) {
    const std::vector<QWidget*> order = Focusable();
    if (order.empty()) return false;
    const auto at = std::find(order.begin(), order.end(), w);
    const long i = at == order.end() ? -1 : long(at - order.begin());
    const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Up:
        FocusTo(order[size_t(i > 0 ? i - 1 : long(order.size()) - 1)]);
        return true;
    case Qt::Key_Down:
        FocusTo(order[size_t(i + 1 < long(order.size()) ? i + 1 : 0)]);
        return true;
    case Qt::Key_PageDown:
        if (ctrl)
            FocusTo(order.back());
        else
            FocusPage(w, true);
        return true;
    case Qt::Key_PageUp:
        if (ctrl)
            FocusTo(order.front());
        else
            FocusPage(w, false);
        return true;
    case Qt::Key_Home:
        if (!shift) return false;
        FocusTo(order.front());
        return true;
    case Qt::Key_End:
        if (!shift) return false;
        FocusTo(order.back());
        return true;
    case Qt::Key_F1: {
        const TFormItem* item = fields_.count(w) ? fields_[w] : nullptr;
        std::string caption = item && item->Caption ? item->Caption->Text : std::string();
        TrimBlanks(caption, ShortStringMax);
        emit HelpRequested(form_.DeckName, item ? item->Help : 0, caption);
        return true;
    }
    default:
        return false;
    }
}

// Page Down: the last control at most one client height below; Page Up likewise upwards.
void TKOLSEDForm::FocusPage(QWidget* from, bool down) {
    const std::vector<QWidget*> order = Focusable();
    const int page = scrollBox_->viewport()->height();
    const int top = from->mapTo(content_, QPoint(0, 0)).y();
    QWidget* target = from;
    for (QWidget* w : order) {
        const int y = w->mapTo(content_, QPoint(0, 0)).y();
        if (down && y >= top && y <= top + page) target = w;
        if (!down && y <= top && y >= top - page && target == from) target = w;
    }
    FocusTo(target);
}

// ---- Printing: the filled-in form down the page ----

namespace {

// The room between printed lines (a third of the job's line height), so that the frames
// of values on lines one under the other stay apart.
int LineGap(TPrintJob& job) {
    return job.LineHeight() / 3;
}

// Where a control stands on the form, frames' offsets included.
int FormLeft(const TFormItem& item, const TControlBox& box) {
    return box.Left + (item.InGroup && item.Group ? item.Group->Left : 0);
}

} // namespace

void TKOLSEDForm::PrintCaptionLine(TPrintJob& job, const TDescriptor& d, int left, const QFont& f) {
    QPainter& p = job.Canvas();
    p.setFont(f);
    job.Advance(p.fontMetrics().height() + LineGap(job));
    const QString text = ToQ(d.Text);
    const int w = p.fontMetrics().horizontalAdvance(text);
    const int right = job.PageWidth() - 3 * job.PrintX(); // page width - 1.5 margins
    int x = int(left * job.Scale()) + job.PrintX();
    if (d.Alignment == alRight) x = right - w;
    if (d.Alignment == alCenter) x = job.PrintX() + (right - job.PrintX() - w) / 2;
    job.Text(x, job.PrintY(), text);
}

void TKOLSEDForm::PrintFramed(TPrintJob& job, int left, const std::string& text) {
    QPainter& p = job.Canvas();
    const int cw = p.fontMetrics().horizontalAdvance('8');
    const int x = int(left * job.Scale()) + job.PrintX();
    const QString t = ToQ(text);
    job.Text(x, job.PrintY(), t);
    p.drawRect(x - cw, job.PrintY(), p.fontMetrics().horizontalAdvance(t) + 2 * cw,
               p.fontMetrics().height());
}

void TKOLSEDForm::PrintButton(TPrintJob& job, const TGButton& b, bool radio, int left) {
    QPainter& p = job.Canvas();
    p.setFont(QtFont(b.Font));
    job.Advance(p.fontMetrics().height() + LineGap(job));
    const double s = job.Scale();
    const int cx = int(left * s) + job.PrintX(), cy = job.PrintY() + p.fontMetrics().height() / 2;
    if (radio) {
        const int r = int(std::lround(4 * s)), dot = int(std::lround(2 * s));
        p.drawEllipse(QPoint(cx, cy), r, r);
        if (b.Checked) {
            p.setBrush(Qt::black);
            p.drawEllipse(QPoint(cx, cy), dot, dot);
            p.setBrush(Qt::NoBrush);
        }
    } else {
        const int h = int(std::lround(5 * s));
        p.drawRect(cx - h, cy - h, 2 * h, 2 * h);
        if (b.Checked) {
            p.drawLine(cx - h, cy - h, cx + h, cy + h);
            p.drawLine(cx - h, cy + h, cx + h, cy - h);
        }
    }
    job.Text(cx + 2 * int(std::lround(5 * s)), job.PrintY(), ToQ(b.Caption));
}

bool TKOLSEDForm::Print(TPrintJob& job) {
    int lineHeight = 0; // of the line printed last: a picture goes below it
    for (const auto& ptr : form_.Items) {
        const TFormItem& item = *ptr;
        if (!ItemVisible(item)) continue; // switched-off groups are not printed
        if (IsFrame(item)) {
            const TGroupBox& g = *item.OwnGroup;
            QFont f = QtFont(g.Font);
            f.setUnderline(true);
            TDescriptor title;
            title.Text = g.Caption;
            PrintCaptionLine(job, title, g.Left, f);
            for (const TGButton& b : g.Buttons)
                PrintButton(job, b, item.Kind == ikRadioBlock, g.Left + b.Left);
            lineHeight = job.Canvas().fontMetrics().height();
            continue;
        }
        if (item.Picture) {
            const QPixmap& pm = pictures_[item.Picture.get()];
            // Room first (a new page when it does not fit), then drawn with its bottom on the
            // line, centred between the margins as the captions are.
            const QSize size = (QSizeF(pm.size()) * job.Scale()).toSize();
            job.Advance(lineHeight + LineGap(job) + size.height());
            lineHeight = 0;
            const int right = job.PageWidth() - 3 * job.PrintX(); // page width - 1.5 margins
            const int left = job.PrintX() + (right - job.PrintX() - size.width()) / 2;
            job.Canvas().drawPixmap(QRect(QPoint(left, job.PrintY() - size.height()), size), pm);
            continue;
        }
        if (item.List && !item.List->Active) continue;
        if (!item.Caption) continue;
        PrintCaptionLine(job, *item.Caption, FormLeft(item, *item.Caption),
                         QtFont(item.Caption->Font));
        lineHeight = job.Canvas().fontMetrics().height();
        job.Canvas().setFont(QtFont(form_.Presentation.Fonts[2]));
        if (item.Input) PrintFramed(job, FormLeft(item, *item.Input), item.Input->Text);
        if (item.List) {
            const TFileInput& l = *item.List;
            const bool chosen = l.ItemIndex >= 0 && size_t(l.ItemIndex) < l.Entries.size();
            PrintFramed(job, FormLeft(item, l), chosen ? l.Entries[size_t(l.ItemIndex)] : l.Value);
        }
        if (item.FileField)
            PrintFramed(job, FormLeft(item, *item.FileField), item.FileField->FileName);
        if (item.UnitLabel) {
            job.Canvas().setFont(QtFont(item.UnitLabel->Font));
            job.Text(int(FormLeft(item, *item.UnitLabel) * job.Scale()) + job.PrintX(),
                     job.PrintY(), ToQ(item.UnitLabel->Text));
        }
        lineHeight = std::max(lineHeight, job.Canvas().fontMetrics().height());
    }
    return true;
}

namespace {

// A list without typing: Copy takes its choice, Paste chooses the entry the clipboard names.
void EditChoice(QComboBox* list, TEditCommand command) {
    if (command == TEditCommand::Copy) {
        QGuiApplication::clipboard()->setText(list->currentText());
    } else if (command == TEditCommand::Paste) {
        const int found = list->findText(QGuiApplication::clipboard()->text().trimmed());
        if (found >= 0) list->setCurrentIndex(found);
    }
}

void EditLine(QLineEdit* line, TEditCommand command) {
    const bool writable = !line->isReadOnly();
    switch (command) {
    case TEditCommand::Cut:
        if (writable) line->cut();
        break;
    case TEditCommand::Copy:
        line->copy();
        break;
    case TEditCommand::Paste:
        if (writable) line->paste();
        break;
    case TEditCommand::Clear: // the selection only, as Delete does
        if (writable && line->hasSelectedText()) line->del();
        break;
    default:
        break;
    }
}

} // namespace

void TKOLSEDForm::EditField(TEditCommand command) {
    QWidget* field = focusWidget();
    if (!field || !isAncestorOf(field) || !field->isEnabled()) return;
    auto* list = qobject_cast<QComboBox*>(field);
    if (!list && field->parentWidget()) list = qobject_cast<QComboBox*>(field->parentWidget());
    if (list && !list->isEditable()) return EditChoice(list, command);
    if (auto* line = list ? list->lineEdit() : qobject_cast<QLineEdit*>(field))
        EditLine(line, command);
}

} // namespace kolshell
