#include "shell/widgets/helpdlg.h"

#include "common/widgets/qtext.h"
#include "shell/helptext.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kolshell {

THelpDlg::THelpDlg(const std::string& deckName, int topic, const std::string& caption,
                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(ToQ(caption));
    resize(523, 220);
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    Memo->setReadOnly(true);
    Memo->setPlainText(ToQ(TopicHelpText(deckName, topic)));
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace kolshell
