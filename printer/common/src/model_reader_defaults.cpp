// The default job settings table of a model (see keld/model_reader.h).
//
// The table is filled in two passes over the same key list: the model data file over the
// built-in defaults, then the custom file over the result, so a key that only the model file
// sets survives the custom pass. A few keys have rules of their own: "UDwJobType" is always 0,
// "UDSource_Cover" is a row of the model's source list stored as that source's number, and
// the custom pass turns "UDSpoolEMF" 1 into 0 and anything else into 1.
#include "keld/model_files.h"
#include "keld/model_reader.h"
#include "keld/paper_tables.h"
#include "keld/value_syntax.h"

#include <win32/root.h>
#include <win32/text.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>

namespace keld {
namespace {

enum class Kind {
  Short,        // "integer" key into a short
  Long,         // "integer" key into a long
  ShortList,    // first item of a number list into a short
  DwordList,    // first item of a number list into a dword
  JobType,      // always 0
  SourceCover,  // source-list row, stored as its source number
  SpoolEmf,     // inverted by the custom pass
  FontName,     // quoted string into wchar[32]
};

struct Key {
  const char16_t* section;
  const char16_t* key;
  std::size_t offset;
  Kind kind;
  std::int64_t fallback;
};

#define AT(field) offsetof(DefaultsTable, field)
constexpr Key kKeys[] = {
    {u"PAPER", u"UDfitpage", AT(UDfitpage), Kind::Long, 0},
    {u"PAPER", u"UDCoverPrint", AT(UDCoverPrint), Kind::Short, 0},
    {u"PAPER", u"UDSource_Cover", AT(UDSource_Cover), Kind::SourceCover, 0},
    {u"PAPER", u"UDCoverPrintThick", AT(UDCoverPrintThick), Kind::Short, 0},
    {u"PAPER", u"UDDriverSetting_Pinfof", AT(UDDriverSetting_Pinfof), Kind::Short, 1},
    {u"ORIENTAION", u"UDOrientation", AT(UDOrientation), Kind::Short, 1},
    {u"ORIENTAION", u"UDPortDirect", AT(UDPortDirect), Kind::Short, 0},
    {u"ORIENTAION", u"UDLandDirect", AT(UDLandDirect), Kind::Short, 0},
    {u"ORIENTAION", u"UDLongEdge", AT(UDLongEdge), Kind::Short, 1},
    {u"ORIENTAION", u"UDMPFisManual", AT(UDMPFisManual), Kind::Short, 0},
    {u"COPIES", u"UDCopies", AT(UDCopies), Kind::Short, 1},
    {u"COPIES", u"UDwJobType", AT(UDwJobType), Kind::JobType, 0},
    {u"COPIES", u"UDfCollate", AT(UDfCollate), Kind::Short, 0},
    {u"REQUESTEVERY", u"UDdwJobTypeOption", AT(UDdwJobTypeOption), Kind::Long, 1},
    {u"OPTION", u"UDSouceOption", AT(UDSouceOption), Kind::Short, 0},
    {u"OPTION", u"UDautotray", AT(UDautotray), Kind::Short, 1},
    {u"OPTION", u"UDsizechk", AT(UDsizechk), Kind::Short, 1},
    {u"OPTION", u"UDDuplex", AT(UDDuplex), Kind::Short, 0},
    {u"OPTION", u"UDHdd", AT(UDHdd), Kind::Short, 0},
    {u"OPTION", u"UDJobSpool", AT(UDJobSpool), Kind::Short, 0},
    {u"OPTION", u"UDFinisher", AT(UDFinisher), Kind::Short, 0},
    {u"LAYOUTTYPE", u"UDdwFinishingMode", AT(UDdwFinishingMode), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDmultipage", AT(UDmultipage), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDdwPageBorder", AT(UDdwPageBorder), Kind::Long, 1},
    {u"LAYOUTTYPE", u"UDmultiPort", AT(UDmultiPort), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDmultiLand", AT(UDmultiLand), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDdwSignature", AT(UDdwSignature), Kind::Long, -1},
    {u"LAYOUTTYPE", u"UD2UP", AT(UD2UP), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDRightToLeft", AT(UDRightToLeft), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDEnlarge", AT(UDEnlarge), Kind::Long, 0},
    {u"LAYOUTTYPE", u"UDRegistMarks", AT(UDRegistMarks), Kind::Long, 1},
    {u"LAYOUTTYPE", u"UDdwRegistColor", AT(UDdwRegistColor), Kind::DwordList, 0x00C0C0C0},
    {u"LAYOUTTYPE", u"UDOverlap", AT(UDOverlap), Kind::Long, 1},
    {u"LAYOUTTYPE", u"UDOverlapWidth", AT(UDOverlapWidth), Kind::Long, 100},
    {u"LAYOUTTYPE", u"UDCstmX", AT(UDCstmX), Kind::Long, 2},
    {u"LAYOUTTYPE", u"UDCstmY", AT(UDCstmY), Kind::Long, 2},
    {u"LAYOUTTYPE", u"UDDirectionPort", AT(UDDirectionPort), Kind::Long, 1},
    {u"LAYOUTTYPE", u"UDDirectionAuto", AT(UDDirectionAuto), Kind::Long, 1},
    {u"ETC", u"UDdmScale", AT(UDdmScale), Kind::Short, 100},
    {u"ETC", u"UDBandArea_Nup", AT(UDBandArea_Nup), Kind::Short, 0},
    {u"ETC", u"UDBandArea_BookLet", AT(UDBandArea_BookLet), Kind::Short, 0},
    {u"ETC", u"UDBandWidth_Nup", AT(UDBandWidth_Nup), Kind::ShortList, 0},
    {u"ETC", u"UDBandWidth_BookLet", AT(UDBandWidth_BookLet), Kind::ShortList, 0},
    {u"ETC", u"UDTonerSave", AT(UDTonerSave), Kind::Short, 0},
    {u"ETC", u"UDScaleField", AT(UDScaleField), Kind::Short, 1},
    {u"FINISHING", u"UDOutputBin", AT(UDOutputBin), Kind::Short, 0},
    {u"PROCESSMODE", u"UDColorProcessMode", AT(UDColorProcessMode), Kind::Short, 0},
    {u"DUPLEX", u"UDdmDuplex", AT(UDdmDuplex), Kind::Short, 1},
    {u"COLORMODE", u"UDcolormode", AT(UDcolormode), Kind::Short, 0},
    {u"COLORMODE", u"UDColorDensity", AT(UDColorDensity), Kind::Short, 0},
    {u"COLORMODECOLOR", u"UDhalftone", AT(UDhalftone), Kind::Short, 0},
    {u"COLORMODECOLOR", u"UDcoloradjust", AT(UDcoloradjust), Kind::Short, 0},
    {u"COLORMODECOLOR", u"UDcoloradjustOpt", AT(UDcoloradjustOpt), Kind::Short, 0},
    {u"DETAILSETTING", u"UDfOverPrint", AT(UDfOverPrint), Kind::Short, 0},
    {u"DETAILSETTING", u"UDfDriverExpand", AT(UDfDriverExpand), Kind::Short, 1},
    {u"DETAILSETTING", u"UDRop_MultiColor", AT(UDRop_MultiColor), Kind::Short, 0},
    {u"DETAILSETTING", u"UDAlMatte", AT(UDAlMatte), Kind::Short, 0},
    {u"DETAILSETTING", u"UDSpoolEMF", AT(UDSpoolEMF), Kind::SpoolEmf, 0},
    {u"DETAILSETTING", u"UDTIFF", AT(UDTIFF), Kind::Short, 0},
    {u"DETAILSETTING", u"UDAdjLine", AT(UDAdjLine), Kind::Short, 0},
    {u"DETAILSETTING", u"UDAP_Collate", AT(UDAP_Collate), Kind::Short, 0},
    {u"DETAILSETTING", u"UDMaintenanceCycle", AT(UDMaintenanceCycle), Kind::Short, 0},
    {u"DETAILSETTING", u"UDCMYDensity", AT(UDCMYDensity), Kind::Short, 0},
    {u"BLACKFINISH", u"UDBlackFinish", AT(UDBlackFinish), Kind::Short, 1},
    {u"APCOLOR", u"UDfColor", AT(UDfColor), Kind::Short, 1},
    {u"RESOLUTION", u"UDPrintQuality", AT(UDPrintQuality), Kind::Short, -3},
    {u"IMAGEQUALITY", u"UDImageThinOut", AT(UDImageThinOut), Kind::Short, 100},
    {u"FONT", u"UDOUTorBIT", AT(UDOUTorBIT), Kind::Short, 1},
    {u"WATERMARK", u"UDwFontSize", AT(UDwFontSize), Kind::Short, 72},
    {u"WATERMARK", u"UDwAngle", AT(UDwAngle), Kind::Short, 45},
    {u"WATERMARK", u"UDszFont", AT(UDszFont), Kind::FontName, 0},
    {u"WATERMARK", u"UDlfWeight", AT(UDlfWeight), Kind::Long, 400},
    {u"WATERMARK", u"UDlfItalic", AT(UDlfItalic), Kind::Long, 0},
    {u"WATERMARK", u"UDdwColor", AT(UDdwColor), Kind::DwordList, 0x00C0C0C0},
    {u"WATERMARK", u"UDxOffset", AT(UDxOffset), Kind::Long, 0},
    {u"WATERMARK", u"UDyOffset", AT(UDyOffset), Kind::Long, 0},
    {u"WATERMARK", u"UDBasePos", AT(UDBasePos), Kind::Short, 3},
    {u"WATERMARK", u"UDTrim", AT(UDTrim), Kind::Short, 0},
    {u"WATERMARK", u"UDWM_XOffset", AT(UDWM_XOffset), Kind::Short, 118},
    {u"WATERMARK", u"UDWM_YOffset", AT(UDWM_YOffset), Kind::Short, 118},
    {u"PCENV", u"UDDocContents", AT(UDDocContents), Kind::Short, 0},
    {u"PCENV", u"UDEnvWarningDlg", AT(UDEnvWarningDlg), Kind::Short, 0},
    {u"PCENV", u"UDFreeHdd_General32", AT(UDFreeHdd_General32), Kind::Short, 0},
    {u"PCENV", u"UDFreeMem_General32", AT(UDFreeMem_General32), Kind::Short, 0},
    {u"PCENV", u"UDFreeGdi_General32", AT(UDFreeGdi_General32), Kind::Short, 0},
    {u"PCENV", u"UDFreeHdd_DTP32", AT(UDFreeHdd_DTP32), Kind::Short, 0},
    {u"PCENV", u"UDFreeMem_DTP32", AT(UDFreeMem_DTP32), Kind::Short, 0},
    {u"PCENV", u"UDFreeGdi_DTP32", AT(UDFreeGdi_DTP32), Kind::Short, 0},
    {u"PCENV", u"UDEnableEnv", AT(UDEnableEnv), Kind::Short, 0},
    {u"SUPERLONGPAPER", u"UDPaperCut", AT(UDPaperCut), Kind::Short, 0},
    {u"SUPERLONGPAPER", u"UDSLP_PrtMode", AT(UDSLP_PrtMode), Kind::Short, 0},
    {u"SUPERLONGPAPER", u"UDSLP_AdjMode", AT(UDSLP_AdjMode), Kind::Short, 0},
    {u"SUPERLONGPAPER", u"UDSLP_Start", AT(UDSLP_Start), Kind::Long, 0},
    {u"SUPERLONGPAPER", u"UDSLP_Cut", AT(UDSLP_Cut), Kind::Long, 0},
    {u"SUPERLONGPAPER", u"UDSLP_Margin", AT(UDSLP_Margin), Kind::Short, 0},
    {u"SUPERLONGPAPER", u"UDSLP_Cut_Disabled", AT(UDSLP_Cut_Disabled), Kind::Short, 0},
    {u"OVERLAY", u"UDBkOverlay", AT(UDBkOverlay), Kind::Short, 0},
};
#undef AT

template <class T>
void Store(DefaultsTable& table, std::size_t offset, std::int64_t value) {
  const T v = ClipNumber<T>(value);
  std::memcpy(reinterpret_cast<BYTE*>(&table) + offset, &v, sizeof v);
}

template <class T>
std::int64_t Load(DefaultsTable const& table, std::size_t offset) {
  T v;
  std::memcpy(&v, reinterpret_cast<BYTE const*>(&table) + offset, sizeof v);
  return v;
}

// The source number of row `row` of the model's source list: the built-in source that the
// entry's low 10 bits index (the first, automatic, for a row or index that does not exist).
SHORT SourceNumberOfRow(ModelRecord const& info, std::int64_t row) {
  if (row < 0 || row >= static_cast<std::int64_t>(info.sourceList.dwCount)) return kSourceTable[0].id;
  const DWORD index = info.sourceList.dwItems[row] & 0x3FF;
  return index < static_cast<DWORD>(kSourceCount) ? kSourceTable[index].id : kSourceTable[0].id;
}

// One pass over the key list with the values in `table` as the fall-back.
void ReadPass(std::u16string_view file, bool customPass, ModelRecord const& info, DefaultsTable& table) {
  for (Key const& k : kKeys) {
    const auto value = ReadProfileValue(file, k.section, k.key);
    const bool blank = !value || value->find_first_not_of(u" \t") == std::u16string::npos;
    switch (k.kind) {
      case Kind::Short:
        if (!blank) Store<SHORT>(table, k.offset, ParseInteger(*value).value_or(0));
        break;
      case Kind::Long:
        if (!blank) Store<LONG>(table, k.offset, ParseInteger(*value).value_or(0));
        break;
      case Kind::ShortList:
        if (value) {
          if (auto n = ParseFirstNumber(*value)) Store<SHORT>(table, k.offset, *n);
        }
        break;
      case Kind::DwordList:
        if (value) {
          if (auto n = ParseFirstNumber(*value)) Store<DWORD>(table, k.offset, *n);
        }
        break;
      case Kind::JobType:
        Store<SHORT>(table, k.offset, 0);
        break;
      case Kind::SourceCover:
        if (!blank) Store<SHORT>(table, k.offset, SourceNumberOfRow(info, ParseInteger(*value).value_or(0)));
        break;
      case Kind::SpoolEmf: {
        std::int64_t v = Load<SHORT>(table, k.offset);
        if (!blank) v = ParseInteger(*value).value_or(0);
        if (customPass) v = v == 1 ? 0 : 1;
        Store<SHORT>(table, k.offset, v);
        break;
      }
      case Kind::FontName:
        if (value) {
          if (auto face = ParseFirstString(*value)) CopyToField(*face, table.UDszFont, std::size(table.UDszFont));
        }
        break;
    }
  }
}

void BuiltInDefaults(ModelRecord const& info, DefaultsTable& table) {
  for (Key const& k : kKeys) {
    switch (k.kind) {
      case Kind::Long:
        Store<LONG>(table, k.offset, k.fallback);
        break;
      case Kind::DwordList:
        Store<DWORD>(table, k.offset, k.fallback);
        break;
      case Kind::SourceCover:
        Store<SHORT>(table, k.offset, SourceNumberOfRow(info, k.fallback));
        break;
      case Kind::FontName:
        CopyToField(u"Arial", table.UDszFont, std::size(table.UDszFont));
        break;
      default:
        Store<SHORT>(table, k.offset, k.fallback);
    }
  }
  table.wMonoAdjust1 = 128;
  table.wMonoAdjust2 = 128;
}

// The regional file as the 64-character field can hold it: under the machine root as a
// root-relative path ("\spool\drivers\..."), which every profile call resolves to the same
// file; elsewhere the native path. A path that still does not fit is left empty rather than
// cut into the name of another file.
std::u16string RegionalFileField(std::u16string path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path root = fs::weakly_canonical(win32::machine_root(), ec);
  const fs::path file = fs::weakly_canonical(win32::native_path(path), ec);
  if (!ec && !root.empty()) {
    const fs::path rel = file.lexically_relative(root);
    if (!rel.empty() && *rel.begin() != "..") {
      std::u16string inRoot = u"\\" + win32::to_utf16(rel.generic_string());
      for (auto& c : inRoot) {
        if (c == u'/') c = u'\\';
      }
      path = inRoot;
    }
  }
  return path.size() < std::size(DefaultsTable{}.szRegionFile) ? path : std::u16string();
}

}  // namespace

SHORT DotsToTenthMM(int dots, int resolution) {
  if (resolution <= 0) return 0;
  const std::int64_t r = resolution;
  return ClipNumber<SHORT>((static_cast<std::int64_t>(dots) * 2540 + 5 * r) / (10 * r));
}

void ReadDefaultsTable(ModelFiles const& files, ModelRecord const& info, PaperTable const& papers, int paperCount,
                       DefaultsTable& table) {
  std::memset(&table, 0, sizeof table);
  BuiltInDefaults(info, table);
  ReadPass(files.modelFile, false, info, table);
  ReadPass(files.customFile, true, info, table);

  CopyToField(files.model, table.szModelName, std::size(table.szModelName));
  CopyToField(RegionalFileField(DataFileName(u"Common", u"InitDataFile3", true)), table.szRegionFile,
              std::size(table.szRegionFile));

  paperCount = std::clamp(paperCount, 0, kCommonPaperCount);
  const auto& list = info.paperList;
  if (list.dwCount > 0 && list.dwDefault < list.dwCount && list.dwItems[list.dwDefault] < static_cast<DWORD>(paperCount)) {
    PaperRecord const& paper = papers.papers[list.dwItems[list.dwDefault]];
    table.wDefaultPaperID = paper.wPaperID;
    table.wDefaultPaperWidth = DotsToTenthMM(paper.wWidth, 300);
    // A4 is carried one dot longer than its table length.
    table.wDefaultPaperLength = DotsToTenthMM(paper.wLength + (paper.wPaperID == 9 ? 1 : 0), 300);
  }
  for (int i = 0; i < paperCount; ++i) {
    if (papers.papers[i].wPaperID == 1) {
      table.wPaper1Width = DotsToTenthMM(papers.papers[i].wWidth, 300);
      table.wPaper1Length = DotsToTenthMM(papers.papers[i].wLength, 300);
      break;
    }
  }
}

}  // namespace keld
