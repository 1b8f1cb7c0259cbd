// Places the records of each item while the deck is read: one scrolling column, groups as
// frames that grow with their content, and the finishing step after the last line.
#pragma once

#include "common/diagnostics.h"
#include "kolsed/formmodel.h"

#include <algorithm>

namespace kolshell {

class TFormBuilder {
  public:
    TFormBuilder(TFormModel& form, const TFormMetrics& metrics);

    int GetHeight(const TFontDef& font) const;
    int GetWidth(const TFontDef& font, const std::string& text) const;
    int AveCharWidth(const TFontDef& font) const;

    // A new item at the end of the chain, in the open group if there is one.
    TFormItem& NewItem(ItemKind kind, int line);

    void PlaceNumber(TFormItem& item, const std::string& caption, int linkSlot,
                     const std::string& linkParameters);
    void PlaceHeading(TFormItem& item, bool withText, const std::string& text);
    void PlaceList(TFormItem& item, const std::string& caption, int linkSlot,
                   const std::string& linkParameters);
    void PlaceAssign(TFormItem& item, const std::string& caption);
    void PlacePicture(TFormItem& item, int width, int height);

    void OpenGroup(TFormItem& item);
    void CloseGroup();
    void OpenBlock(TFormItem& item);
    void AddButton(TFormItem& block, TGButton button);
    void CloseBlock(TFormItem& block);

    bool InGroup() const { return group_ != nullptr; }
    TGroupBox* CurrentGroup() const { return group_; }
    // Link buttons in one column, frame widths, group names and initial button states; a
    // group name no group has is reported to diagnostics.
    void Finish(TDiagnostics& diagnostics);

  private:
    TFontDef Slot(int n) const { return form_.Presentation.Fonts[n]; }
    int Margin() const { return 2 * form_.CharWidth; }
    int FormWidth() const { return 80 * form_.CharWidth; }
    // Tab k of the presentation, no further right than the form's width.
    int TabAt(int k) const { return std::min(form_.Presentation.Tab[size_t(k)], FormWidth()); }
    void ComputeNextTop(const TFormItem& item);
    // The top of an element one caption step high: the running position, or the bottom
    // of the grown group frame.
    int ElementTop(int stepHeight);
    void Fit(const TControlBox& box);
    TDescriptor& MakeCaption(TFormItem& item, const std::string& text, int growNum, int growDen);
    void PlaceValueField(TFormItem& item, TControlBox& field);
    void PlaceUnitAndLink(TFormItem& item, int linkSlot, const std::string& linkParameters);
    void PlaceHeadingField(TFormItem& item, TDescriptor& caption, TInput& field);
    void SetPlaceholder(TFormItem& item, const TControlBox& frame, const std::string& text);
    void ResolveButtons(TFormItem& block, TDiagnostics& diagnostics);

    TFormModel& form_;
    const TFormMetrics& metrics_;
    int ButtonOffset(const TGroupBox& g) const;
    TGroupBox* group_ = nullptr;
    int nextTop_ = 10;
};

} // namespace kolshell
