// The read-only viewer window for listings, plotter-file text and output files.
#pragma once

#include "common/widgets/childform.h"

namespace kolshell {

class TFileViewer;
class TFindDialog;

class TViewForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TViewForm(QWidget* parent = nullptr);

    TFileViewer* Viewer() const { return viewer_; }
    TFindDialog* FindDialog() const { return findDialog_; }
    // Shows the named file, captioned with the name; false when it cannot be read.
    bool Open(const std::string& name);
    std::string ViewedFile() const { return file_; }
    // Save as: writes a copy of the file shown under the name; the window goes on showing
    // its own file (the companion the Windows menu leads to). The file itself is never the
    // copy's target.
    bool SaveDocument(const std::string& name) override;
    std::optional<TEditCommands> EditCommands() const override {
        return TEditCommands{TEditCommand::Copy, TEditCommand::Find, TEditCommand::SearchAgain};
    }

    void Find(TFindDialog* sender);
    void EditCopy() override;
    void EditFind() override;
    void EditSearchAgain(bool findMode, bool replaceMode) override;
    bool Print(TPrintJob& job) override;

  private:
    TFileViewer* viewer_;
    TFindDialog* findDialog_;
    std::string file_;
};

} // namespace kolshell
