// The annotated deck: read into a form laid out with the fixed metrics, every button pressed
// and every field checked as a user would, both unit systems, then written back.
#include "kolsed/annotation.h"
#include "kolsed/deckwriter.h"
#include "kolsed/formswitch.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(kolsed) {
    const std::string deck = FuzzFile("F.KSD", FuzzText(data, size));
    TFormModel form;
    form.UnitSystem = size > 0 && (data[size - 1] & 1) ? 2 : 1;
    TDiagnostics diagnostics = ReadDeck(form, deck, TFixedMetrics());
    if (form.Stop == ReadStop::Close) return;
    for (const auto& item : form.Items) {
        if (item->Input) CheckInputValue(form, *item->Input, diagnostics);
        if (!IsBlock(*item)) continue;
        TGroupBox& g = *item->OwnGroup;
        for (size_t b = 0; b < g.Buttons.size(); ++b)
            if (item->Kind == ikCheckBlock)
                SetCheckBox(form, g, b, !g.Buttons[b].Checked);
            else
                PressRadioButton(form, g, b);
    }
    ConvertUnits(form, form.UnitSystem, 3 - form.UnitSystem);
    DCKChanged(form);
    WriteDeck(form, FuzzDir() + "/OUT.KSD", diagnostics);
}
