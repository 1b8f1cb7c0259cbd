#include "shell/widgets/indexdlg.h"

#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/addhelpdlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace kolshell {

TIndexDlg::TIndexDlg(const std::string& indexFile, QWidget* parent)
    : QDialog(parent), indexFile_(indexFile) {
    setObjectName("IndexDlg");
    setWindowTitle("Select Project");
    resize(508, 235);
    image_ = new QLabel(this);
    image_->setObjectName("Image1");
    image_->setFixedSize(160, 160);
    image_->setScaledContents(true);
    auto* texts = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setObjectName(QString("Label%1").arg(i + 1));
        texts->addWidget(labels_[i]);
    }
    list_ = new QListWidget(this);
    list_->setObjectName("ListBox1");
    labels_[2]->setBuddy(list_);
    texts->addWidget(list_);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OKBtn");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    help_ = new QPushButton("&Help", this);
    help_->setObjectName("HelpBtn");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok_, cancel, help_})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(image_, 0, 0, Qt::AlignTop);
    grid->addLayout(texts, 0, 1);
    grid->addLayout(buttons, 0, 2);
    // Only a selection counts: the list makes its first entry current when it takes the focus,
    // which must not enable OK before the user has chosen a project.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });
    MakeDefaultButton(ok_);
    connect(ok_, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help_, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
}

void TIndexDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TIndexDlg::FormActivate() {
    if (busy_) return;
    ReadIndexFile(indexFile_, index_);
    for (int i = 0; i < 2; ++i)
        labels_[i]->setText(ToQ(index_.Headings[size_t(i)]));
    // The heading over the list takes the list's access key (Alt+H is Help).
    labels_[2]->setText(WithAccessKey(ToQ(index_.Headings[2]), "H"));
    list_->blockSignals(true);
    list_->clear();
    for (const TIndexEntry& e : index_.Entries)
        list_->addItem(ToQ(e.Text));
    list_->blockSignals(false);
    ok_->setEnabled(false);
    help_->setEnabled(false);
}

int TIndexDlg::SelectedRow() const {
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    return chosen.isEmpty() ? -1 : list_->row(chosen.front());
}

TIndexItem TIndexDlg::SelectedItem() const {
    const int row = SelectedRow();
    if (row < 0 || size_t(row) >= index_.Entries.size()) return {};
    TIndexItem item = index_.Entries[size_t(row)].Item;
    for (std::string* f : {&item.ProjectFile, &item.PictureFile, &item.HelpFile})
        if (!f->empty()) *f = ResolveIndexProject(indexFile_, *f);
    return item;
}

void TIndexDlg::ListBox1Click() {
    const TIndexItem item = SelectedItem();
    const bool exists = !item.ProjectFile.empty() && FileExists(item.ProjectFile);
    ok_->setEnabled(exists);
    help_->setEnabled(exists && !item.HelpFile.empty() && FileExists(item.HelpFile));
    QPixmap picture;
    if (exists && !item.PictureFile.empty() && FileExists(item.PictureFile))
        picture.load(QString::fromStdString(NativePath(item.PictureFile)));
    image_->setPixmap(picture);
}

bool TIndexDlg::OpenSelected() {
    if (SelectedRow() < 0) return false;
    const TIndexItem item = SelectedItem();
    if (item.ProjectFile.empty() || !FileExists(item.ProjectFile)) {
        ShowMsg("File " + item.ProjectFile + " was not found", MsgKind::Error, true);
        return false;
    }
    busy_ = true;
    if (OpenProject) OpenProject(item.ProjectFile);
    busy_ = false;
    return true;
}

void TIndexDlg::OKBtnClick() {
    if (OpenSelected()) accept();
}

void TIndexDlg::ListBox1DblClick() {
    OpenSelected();
    accept();
}

void TIndexDlg::HelpBtnClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    TAddHelpDlg dlg(index_.Entries[size_t(row)].Text, this);
    const TIndexItem item = SelectedItem();
    bool show = true;
    if (!item.HelpFile.empty() && FileExists(item.HelpFile)) show = dlg.Load(item.HelpFile);
    if (show) dlg.exec();
}

} // namespace kolshell
