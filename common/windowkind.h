// The kinds of MDI child, and which of them edit text or hold an input deck.
#pragma once

// Window kinds carried by every MDI child. The numbers are those files and tests compare:
// int(kind) gives one where a number is needed.
enum class TWindowKind {
    None = 0,
    Deck = 1000,          // editor on a ".DCK" deck
    Form = 2000,          // KOLSED form
    AnnotatedText = 2100, // editor on an annotated deck as text
    Listing = 3000,       // viewer of a listing or plotter file
    Plot = 4000,
    Table = 5000,
    Output = 6000, // viewer of an output file
    Text = 7000,   // editor on any other text
    Diagram = 8000
};

// The kinds of the text editor: a deck, an annotated deck as text, any other text.
constexpr bool IsEditorKind(TWindowKind kind) {
    return kind == TWindowKind::Deck || kind == TWindowKind::AnnotatedText ||
           kind == TWindowKind::Text;
}
// The kinds of window that hold an input deck: a deck or annotated deck in the editor, or a
// form.
constexpr bool IsDeckKind(TWindowKind kind) {
    return kind == TWindowKind::Deck || kind == TWindowKind::AnnotatedText ||
           kind == TWindowKind::Form;
}
