#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tolvane {

// The closed set of small interface icons. The raw value names the artwork file; assets marked as having
// artwork look for it first and fall back to their symbol.
enum class PencilIconAsset {
    brand,
    capture,
    translate,
    railTranslate,
    railCapture,
    railHistory,
    railStyles,
    railGlossary,
    railAutoSelection,
    railSettings,
    newTranslation,
    search,
    sourceChevron,
    swap,
    targetChevron,
    styleChevron,
    clear,
    attach,
    copy,
    replace,
    save,
    retry,
    check,
    checkSage,
    info,
};

inline constexpr std::array<PencilIconAsset, 25> allPencilIconAssets{
    PencilIconAsset::brand,         PencilIconAsset::capture,        PencilIconAsset::translate,
    PencilIconAsset::railTranslate, PencilIconAsset::railCapture,    PencilIconAsset::railHistory,
    PencilIconAsset::railStyles,    PencilIconAsset::railGlossary,   PencilIconAsset::railAutoSelection,
    PencilIconAsset::railSettings,  PencilIconAsset::newTranslation, PencilIconAsset::search,
    PencilIconAsset::sourceChevron, PencilIconAsset::swap,           PencilIconAsset::targetChevron,
    PencilIconAsset::styleChevron,  PencilIconAsset::clear,          PencilIconAsset::attach,
    PencilIconAsset::copy,          PencilIconAsset::replace,        PencilIconAsset::save,
    PencilIconAsset::retry,         PencilIconAsset::check,          PencilIconAsset::checkSage,
    PencilIconAsset::info,
};

QString rawValue(PencilIconAsset asset);
std::optional<PencilIconAsset> pencilIconAssetFromRaw(const QString& raw);
// The system symbol name drawn when no artwork is used.
QString iconSystemSymbolName(PencilIconAsset asset);
bool triesArtworkFirst(PencilIconAsset asset);

} // namespace tolvane
