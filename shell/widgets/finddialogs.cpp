#include "shell/widgets/finddialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kolshell {

TFindDialog::TFindDialog(bool replace, QWidget* parent) : QDialog(parent) {
    setObjectName(replace ? "ReplaceDialog" : "FindDialog");
    setWindowTitle(replace ? "Replace" : "Find");
    auto* grid = new QGridLayout(this);
    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName("FindText");
    // A label shows its access key, and takes the user to its edit, only with a buddy.
    auto addField = [this, grid](const char* caption, QLineEdit* edit, int row) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
    };
    addField("Fi&nd what:", findEdit_, 0);
    if (replace) {
        replaceEdit_ = new QLineEdit(this);
        replaceEdit_->setObjectName("ReplaceText");
        addField("Re&place with:", replaceEdit_, 1);
    }
    wholeWord_ = new QCheckBox("Match &whole word only", this);
    wholeWord_->setObjectName("WholeWord");
    matchCase_ = new QCheckBox("Match &case", this);
    matchCase_->setObjectName("MatchCase");
    grid->addWidget(wholeWord_, 2, 0, 1, 2);
    grid->addWidget(matchCase_, 3, 0, 1, 2);
    if (!replace) {
        direction_ = new QGroupBox("Direction", this);
        auto* up = new QRadioButton("&Up", direction_);
        down_ = new QRadioButton("&Down", direction_);
        down_->setObjectName("Down");
        down_->setChecked(true);
        auto* row = new QHBoxLayout(direction_);
        row->addWidget(up);
        row->addWidget(down_);
        grid->addWidget(direction_, 2, 2, 2, 1);
    }
    auto* buttons = new QVBoxLayout;
    auto* next = new QPushButton("&Find Next", this);
    next->setObjectName("FindNext");
    next->setDefault(true);
    buttons->addWidget(next);
    connect(next, &QPushButton::clicked, this, [this] {
        if (OnFind) OnFind();
    });
    if (replace) {
        auto* one = new QPushButton("&Replace", this);
        one->setObjectName("ReplaceOne");
        auto* all = new QPushButton("Replace &All", this);
        all->setObjectName("ReplaceAll");
        buttons->addWidget(one);
        buttons->addWidget(all);
        for (QPushButton* b : {one, all})
            connect(b, &QPushButton::clicked, this, [this, b, all] {
                replaceAll_ = b == all;
                if (OnReplace) OnReplace();
            });
    }
    auto* cancel = new QPushButton("Cancel", this);
    buttons->addWidget(cancel);
    buttons->addStretch();
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    grid->addLayout(buttons, 0, 3, 4, 1);
}

QString TFindDialog::FindText() const {
    return findEdit_->text();
}

void TFindDialog::SetFindText(const QString& text) {
    findEdit_->setText(text);
}

QString TFindDialog::ReplaceText() const {
    return replaceEdit_ ? replaceEdit_->text() : QString();
}

bool TFindDialog::Down() const {
    return !down_ || down_->isChecked();
}

void TFindDialog::SetDown(bool down) {
    if (!down_) return;
    down_->setChecked(down);
    if (!down) findChildren<QRadioButton*>().first()->setChecked(true);
}

bool TFindDialog::MatchCase() const {
    return matchCase_->isChecked();
}

bool TFindDialog::WholeWord() const {
    return !wholeWord_->isHidden() && wholeWord_->isChecked();
}

void TFindDialog::HideWholeWord() {
    wholeWord_->setChecked(false);
    wholeWord_->hide();
}

void TFindDialog::Execute() {
    show();
    raise();
    activateWindow();
    findEdit_->selectAll();
    findEdit_->setFocus();
}

} // namespace kolshell
