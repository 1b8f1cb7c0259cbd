// The form editor's model: the items read from an annotated deck, the records that stand
// for their controls (positions in pixels, texts, change marks), and the presentation
// state. The window turns these records into widgets; everything here is plain data.
#pragma once

#include "common/textfile.h"

#include "common/lib1.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kolshell {

enum ItemKind : uint8_t {
    ikText = 0,
    ikNumber = 1,
    ikList = 2,
    ikAssign = 3,
    ikPicture = 4,
    ikGroup = 5,
    ikCheckBlock = 6,
    ikRadioBlock = 7,
    ikLinkPicture = 8
};

enum TAlignment { alLeft = 0, alCenter = 1, alRight = 2 };

struct TFontDef {
    std::string Name = "Arial";
    int Size = 10;
    bool Bold = false, Italic = false, Underline = false;
    uint32_t Color = 0x000000; // RGB
};

// Position and visibility shared by every control record. Controls of items inside a
// group are placed in the group frame's coordinates.
struct TControlBox {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    int Right() const { return Left + Width; }
};

struct TDescriptor : TControlBox {
    std::string Text;
    TFontDef Font;
    bool Advances = true; // counts for the vertical placement of the next item
    TAlignment Alignment = alLeft;
};

// A single-line field: a numeric value field or a heading's free-text field.
struct TInput : TControlBox {
    std::string Text;
    TFontDef Font;
    bool Numeric = false;
    // Value is the deck's number (primary units, full precision) behind a text the program
    // made; Min and Max are the annotation's limits, also in primary units.
    Extended Value = 0, Min = 0, Max = 0, Offset = 0, Factor = 1;
    NumberFormat Format{1, 0};
    int Help = 0;
    int MaxLength = 25;
    bool Modified = false; // the user edited the text since the last save
    bool Typed = false;    // the text is the user's own, not one made from Value
    // A character typed that the deck's encoding cannot hold (as UTF-8): the deck is not
    // written while there is one.
    std::string Refused;
};

// The file name field of an ASSIGN file item.
struct TOpenFile : TControlBox {
    std::string FileName;
    TFontDef Font;
    int Help = 0, Unit = 0;
    bool Changed = false;
};

// A drop-down list filled from a list file.
struct TFileInput : TControlBox {
    std::vector<std::string> Entries; // the show-column field of every entry
    TFontDef Font;
    bool Active = true; // false for a hidden companion
    int Help = 0;
    std::string ListFile;
    int ShowColumn = 0, ValueColumn = 0;
    bool IsAssign = false;
    std::string Value; // the deck's text for the selected entry
    int Unit = 0;
    int ItemIndex = -1, SavedIndex = -1;
    bool Rewrite = false; // while saving: the choice changed, so its deck line is rewritten
};

struct TAppButton : TControlBox {
    int Slot = 1;
    std::string Parameters;
};

constexpr int MaxButtonGroups = 10;
constexpr size_t GroupNameMax = 60;

// A check box or radio button of a block, with the groups it switches.
struct TGButton : TControlBox {
    std::string Caption;
    TFontDef Font;
    std::vector<std::string> Groups; // at most 10
    std::vector<bool> Senses;        // false for names written with "_"
    bool Checked = true;
};

// The frame of a group or of a check-box or radio block.
struct TGroupBox : TControlBox {
    std::string Name, Caption;
    TFontDef Font;
    std::vector<TGButton> Buttons; // blocks only
    int FullHeight = 0;
    // The state the deck holds (as read, or as last written): On differs when the user
    // switched the group since.
    bool InitiallyOn = true;
    // Switched on: the group's deck lines count. Its frame shows when it is on and holds
    // something (an empty group has height 0).
    bool On = true;
    std::string BeforeCommand, AfterCommand;
};

struct TImage : TControlBox {
    std::string File;       // bitmap file, or empty for a quoted text
    std::string QuotedText; // drawn in italic as the picture
    std::string Parameters; // program pictures: the command parameters (also the hint)
    TAlignment Alignment = alCenter;
    int Slot = 0; // link slot; 0 for plain pictures
};

struct TFormItem {
    int Index = 0;
    int Line = 0;
    ItemKind Kind = ikText;
    int Help = 0;
    std::string PrevText, LineText; // 128 characters each
    std::string UnitSI, UnitEng;    // 25 characters each
    std::string Name;               // 10 characters
    std::string Heading;            // text items: the heading as written
    std::string HelpText;           // text items: the help field as written, if any
    std::unique_ptr<TDescriptor> Caption, UnitLabel;
    std::unique_ptr<TInput> Input;
    std::unique_ptr<TFileInput> List;
    std::unique_ptr<TOpenFile> FileField;
    std::unique_ptr<TImage> Picture;
    std::unique_ptr<TAppButton> AppButton;
    TGroupBox* Group = nullptr; // the frame holding the item; kinds 5 to 7: their own
    std::unique_ptr<TGroupBox> OwnGroup;
    bool InGroup = false;
    TFormItem *Next = nullptr, *Prev = nullptr; // the chain in file order
};

// The most a TAB command moves a column, in pixels either way.
constexpr int TabPixelsMax = 1000000;

// What the annotation commands change; each command acts on what is created after it.

struct TPresentation {
    std::array<TFontDef, 4> Fonts; // slots 1..3
    std::array<TAlignment, 4> Align{alLeft, alLeft, alLeft, alLeft};
    std::array<int, 4> Tab{0, -999, -999, -999}; // within +-TabPixelsMax
    TPresentation();
};

enum class ReadStop { None, Close, Keep };

// Text measures of the surface the form is drawn on.
class TFormMetrics {
  public:
    virtual ~TFormMetrics() = default;
    virtual int TextHeight(const TFontDef& font, const std::string& text) const = 0;
    virtual int TextWidth(const TFontDef& font, const std::string& text) const = 0;
    // The font's pixel height (the absolute font height at 96 dots per inch).
    virtual int FontHeight(const TFontDef& font) const;
    // A bitmap's size; false when the file cannot be read as a picture.
    virtual bool PictureSize(const std::string& file, int& width, int& height) const;
};

// Every character 8 pixels wide, every line 16 high: for tests and koltool.
class TFixedMetrics : public TFormMetrics {
  public:
    int TextHeight(const TFontDef&, const std::string&) const override { return 16; }
    int TextWidth(const TFontDef&, const std::string& text) const override {
        return 8 * int(text.size());
    }
};

// Width and height of a ".BMP" file from its header; false for anything else.
bool BmpSize(const std::string& file, int& width, int& height);

struct TFormModel {
    std::string DeckName;
    // The deck as it was read or last written: a save writes every line from it, so the deck
    // can be saved when its file was moved or deleted meanwhile.
    std::string Source;
    // The deck's bytes on disk when the form read, wrote or restored it: a save that finds
    // other bytes there knows another program changed the deck meanwhile.
    std::string OnDisk;
    TEncoding Encoding = TEncoding::Utf8;
    std::vector<std::unique_ptr<TFormItem>> Items; // the chain, in file order
    // The first group or block of each upper-cased name, by its place in Items; made again
    // when items were added since.
    std::unordered_map<std::string, size_t> FrameIndex;
    size_t FrameIndexItems = 0;
    TPresentation Presentation;
    uint32_t Background = 0xFFFFFF;
    std::string BeforeCommand, AfterCommand;
    bool Modified = false; // a check box or radio button was clicked since the last save
    int Widest = -1;
    int ErrorLevel = 0;
    ReadStop Stop = ReadStop::None;
    // A read that stopped early: the line it stopped at; that line and the ones after it
    // were not interpreted and are written back as they are. 0 when the whole deck was read.
    int StopLine = 0;
    bool Finished = false; // the finishing step ran
    int UnitSystem = 1;
    int LineHeight = 18, CharWidth = 8; // H and W of the measuring font
};

const std::vector<std::pair<std::string, uint32_t>>& ColourTable();
// The first colour name contained in the text, in table order; false when none is.
bool FindColour(const std::string& upperText, uint32_t& rgb);

} // namespace kolshell
