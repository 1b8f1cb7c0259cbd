#include "app/commands.h"
#include "app/kolshellform.h"

namespace kolshell {

namespace {

template <class M> struct OwnerOf;
template <class C> struct OwnerOf<void (C::*)()> { using Type = C; };

template <class C> C& Owner(TKOLSHELLFORM& f);
template <> TKOLSHELLFORM& Owner(TKOLSHELLFORM& f) {
    return f;
}
template <> TDocumentController& Owner(TKOLSHELLFORM& f) {
    return f.Documents();
}
template <> TEditController& Owner(TKOLSHELLFORM& f) {
    return f.Editing();
}
template <> TRunningController& Owner(TKOLSHELLFORM& f) {
    return f.Runs();
}
template <> TTableController& Owner(TKOLSHELLFORM& f) {
    return f.Tables();
}
template <> TPlotController& Owner(TKOLSHELLFORM& f) {
    return f.Plots();
}
template <> THelpController& Owner(TKOLSHELLFORM& f) {
    return f.Help();
}

// The handler that calls the member function on the controller that owns it.
template <auto Member> void On(TKOLSHELLFORM& f) {
    using C = typename OwnerOf<decltype(Member)>::Type;
    (Owner<C>(f).*Member)();
}

constexpr TEnabling Always{};
constexpr TEnabling Companion{TEnabling::Companion};
constexpr TEnabling ByController{TEnabling::ByController};
constexpr TEnabling By(MenuCommand c) {
    return {TEnabling::ByState, c};
}

using D = TDocumentController;
using E = TEditController;
using R = TRunningController;
using T = TTableController;
using P = TPlotController;
using H = THelpController;
using F = TKOLSHELLFORM;

} // namespace

const std::vector<TMenuDef>& MenuTable() {
    static const std::vector<TMenuDef> menus = {
        {"File1", "&File", 2, Always},
        {"Edit1", "&Edit", 4, By(cmEditMenu)},
        {"KOLVAN1", "&KOLVAN", 7, By(cmKolvanMenu)},
        {"KOLSED1", "K&OLSED", 6, Always},
        {"Parametrics1", "&Parametrics", 9, By(cmParametricsMenu)},
        {"Utilities1", "&Utilities", 8, Always},
        {"Plot1", "P&lot", 10, Always},
        {"Windows1", "&Windows", 11, Always},
        {"Help1", "&Help", 12, Always},
    };
    return menus;
}

const std::vector<TCommandDef>& CommandTable() {
    static const std::vector<TCommandDef> items = {
        {"File1", "New1", "&New", "Ctrl+N", 34, On<&D::New1Click>, Always},
        {"File1", "Open1", "&Open", "Ctrl+O", 3, On<&D::Open1Click>, Always},
        {"File1", "Save1", "&Save", "Ctrl+S", 33, On<&D::Save1Click>, By(cmSave)},
        {"File1", "Saveas1", "Save &as", "", 44, On<&D::Saveas1Click>, By(cmSaveas)},
        {"File1", "ExportPlot1", "&Export Plot...", "", 0, On<&P::ExportPlot1Click>, ByController},
        {"File1", nullptr, "", "", 0, nullptr, Always},
        {"File1", "Print1", "&Print", "Ctrl+P", 45, On<&D::Print1Click>, By(cmPrint)},
        {"File1", "PrintSetup1", "Print Setup", "", 24, On<&D::PrintSetup1Click>, Always},
        {"File1", nullptr, "", "", 0, nullptr, Always},
        {"File1", "Setup1", "Se&tup", "", 22, On<&F::Setup1Click>, Always},
        {"File1", nullptr, "", "", 0, nullptr, Always},
        {"File1", "Exit1", "E&xit", "Ctrl+Q", 49, On<&F::Exit1Click>, Always},
        {"Edit1", "Cut1", "Cut", "Ctrl+X", 51, On<&E::Cut1Click>, By(cmCut)},
        {"Edit1", "Copy1", "&Copy", "Ctrl+C", 52, On<&E::Copy1Click>, By(cmCopy)},
        {"Edit1", "Paste1", "&Paste", "Ctrl+V", 53, On<&E::Paste1Click>, By(cmPaste)},
        {"Edit1", "Clear1", "Clear", "", 54, On<&E::Clear1Click>, By(cmClear)},
        {"Edit1", nullptr, "", "", 0, nullptr, Always},
        {"Edit1", "Find1", "&Find", "Ctrl+F", 55, On<&E::Find1Click>, By(cmFind)},
        {"Edit1", "Replace1", "&Replace", "", 57, On<&E::Replace1Click>, By(cmReplace)},
        {"Edit1", "SearchAgain1", "Search &Again", "", 56, On<&E::SearchAgain1Click>,
         By(cmSearchAgain)},
        {"KOLVAN1", "Calculate1", "&Calculate", "F8", 39, On<&R::Calculate1Click>, By(cmCalculate)},
        {"KOLVAN1", "RunTable1", "&Run Table", "", 40, On<&T::RunTable1Click>, By(cmRunTable)},
        {"KOLVAN1", "StopRun1", "&Stop Run", "Ctrl+Break", 0, On<&R::StopRun1Click>, By(cmStopRun)},
        {"KOLVAN1", nullptr, "", "", 0, nullptr, Always},
        {"KOLVAN1", "CompileModule1", "&Compile Module", "", 41, On<&R::CompileModule1Click>,
         By(cmCompileModule)},
        {"KOLVAN1", "RebuildKOLVAN1", "&Rebuild KOLVAN", "", 42, On<&R::RebuildKOLVAN1Click>,
         By(cmRebuildKolvan)},
        {"KOLVAN1", nullptr, "", "", 0, nullptr, Always},
        {"KOLVAN1", "ExecuteCommand1", "Execute User Command", "", 116,
         On<&R::ExecuteCommand1Click>, Always},
        {"KOLSED1", "MakeKOLSEDfile1", "Make KOLSED file", "", 31, On<&D::MakeKOLSEDfile1Click>,
         By(cmMakeKolsed)},
        {"KOLSED1", "EditKOLSEDfile1", "&Edit KOLSED file", "", 35, On<&D::EditKOLSEDfile1Click>,
         Always},
        {"Parametrics1", "NewTable1", "&New Table", "", 64, On<&T::NewTable1Click>, By(cmNewTable)},
        {"Parametrics1", "AlterTable1", "&Alter Table", "", 65, On<&T::AlterTable1Click>,
         By(cmAlterTable)},
        {"Parametrics1", "InsertDeleteRuns1", "&Insert/Delete Runs", "", 68,
         On<&T::InsertDeleteRuns1Click>, By(cmInsDelRuns)},
        {"Parametrics1", "InsertDeleteVars1", "Insert/Delete Vars", "", 69,
         On<&T::InsertDeleteVars1Click>, By(cmInsDelVars)},
        {"Parametrics1", "FillRuns1", "&Fill Runs...", "", 0, On<&T::FillRuns1Click>, ByController},
        {"Parametrics1", nullptr, "", "", 0, nullptr, Always},
        {"Parametrics1", "Results1", "&Results...", "", 0, On<&T::Results1Click>, ByController},
        {"Utilities1", "FLOWDRAW1", "FLOWDRAW", "", 17, On<&R::FLOWDRAW1Click>, Always},
        {"Utilities1", "ZONEKIT", "ZONEKIT", "", 59, On<&R::ZONEKIT1Click>, Always},
        {"Utilities1", "ZONER1", "ZONER", "", 60, On<&R::ZONER1Click>, Always},
        {"Utilities1", "MODLIB1", "MODLIB", "", 61, On<&R::MODLIB1Click>, Always},
        {"Utilities1", "DEBUG1", "GRIDCALC", "", 62, On<&R::DEBUG1Click>, Always},
        {"Plot1", "NewPlot1", "&New Plot", "", 70, On<&P::NewPlot1Click>, ByController},
        {"Plot1", "OverlayPlot1", "&Overlay Plot", "", 71, On<&P::OverlayPlot1Click>,
         By(cmOverlayPlot)},
        {"Plot1", "ModifyPlot1", "&Modify Plot", "", 73, On<&P::ModifyPlot1Click>,
         By(cmModifyPlot)},
        {"Plot1", "PlotTableRuns1", "Plot &Table Runs", "", 0, On<&P::PlotTableRuns1Click>,
         ByController},
        {"Plot1", "ZoomOut1", "&Zoom Out", "Backspace", 0, On<&P::ZoomOut1Click>, ByController},
        {"Plot1", "ResetZoom1", "&Reset Zoom", "Home", 0, On<&P::ResetZoom1Click>, ByController},
        {"Windows1", "Input1", "Input", "", 122, On<&F::Input1Click>, Companion},
        {"Windows1", "Output1", "Output", "", 81, nullptr, Companion},
        {"Windows1", "Listing1", "Listing", "", 82, On<&F::Listing1Click>, Companion},
        {"Windows1", "Table1", "Table", "", 79, On<&F::Table1Click>, Companion},
        {"Windows1", "TableRun1", "Table &Run", "", 79, On<&R::TableRun1Click>, Companion},
        {"Windows1", "Diagram1", "Diagram", "", 83, On<&F::Diagram1Click>, Companion},
        {"Windows1", nullptr, "", "", 0, nullptr, Always},
        {"Windows1", "Tile1", "&Tile", "", 124, On<&F::Tile1Click>, Always},
        {"Windows1", "Cascade1", "&Cascade", "", 125, On<&F::Cascade1Click>, Always},
        {"Help1", "KOLVANIndex1", "KOL&SHELL Index", "", 126, On<&H::KOLVANIndex1Click>, Always},
        {"Help1", "TypesIndex1", "Ty&pes Index", "", 127, On<&H::TypesIndex1Click>, Always},
        {"Help1", "KOLVANIndex2", "&KOLVAN Index", "", 128, On<&H::KOLVANIndex2Click>, Always},
        {"Help1", "KOLVANErrorMessges1", "KOLVAN &Error Messages", "", 129,
         On<&H::KOLVANErrorMessges1Click>, Always},
        {"Help1", "UsingHelp1", "&Using Help", "", 12, On<&H::UsingHelp1Click>, Always},
        {"Help1", nullptr, "", "", 0, nullptr, Always},
        {"Help1", "AboutKOLSHELL1", "&About KOLSHELL", "", 1, On<&H::AboutKOLSHELL1Click>, Always},
        {"Help1", "Website", "KOLVAN Website", "", 0, On<&H::WebsiteClick>, Always},
    };
    return items;
}

} // namespace kolshell
