#include "shell/widgets/addhelpdlg.h"

#include "common/messages.h"
#include "common/widgets/qtext.h"
#include "shell/helptext.h"
#include "shell/widgets/helpviewer.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kolshell {

TAddHelpDlg::TAddHelpDlg(const std::string& subject, QWidget* parent) : QDialog(parent) {
    setObjectName("AddHelpDlg");
    setWindowTitle(ToQ("Help for " + subject));
    resize(480, 320);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo1");
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    copy_ = new QPushButton("&Copy", this);
    copy_->setObjectName("CopyBtn");
    copy_->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(copy_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo_);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(copy_, &QPushButton::clicked, memo_, &QPlainTextEdit::copy);
    connect(memo_, &QPlainTextEdit::copyAvailable, copy_, &QPushButton::setEnabled);
}

bool TAddHelpDlg::Load(const std::string& fileName) {
    const THelpFile help = LoadHelpFile(fileName);
    switch (help.Kind) {
    case HelpFileKind::PlatformHelp:
        OpenHelpFile(fileName);
        return false;
    case HelpFileKind::TooBig:
        ShowMsg("This file contains " + std::to_string(help.Size) +
                    " characters.  The maximum is 60000 characters.  Sorry...",
                MsgKind::Information, true);
        return false;
    default:
        memo_->setPlainText(ToQ(help.Text));
        return true;
    }
}

} // namespace kolshell
