#include "ui/pencil_icon_asset.h"

namespace tolvane {

namespace {

struct AssetRow {
    const char* raw;
    const char* symbol;
    bool artwork;
};

// Indexed by the enumeration's declaration order.
constexpr AssetRow rows[] = {
    {"brand", "translate", true},
    {"capture", "viewfinder", false},
    {"translate", "arrow.right", true},
    {"railTranslate", "translate", false},
    {"railCapture", "viewfinder", true},
    {"railHistory", "clock", false},
    {"railStyles", "slider.horizontal.3", false},
    {"railGlossary", "book.closed", false},
    {"railAutoSelection", "cursorarrow", true},
    {"railSettings", "slider.horizontal.3", true},
    {"newTranslation", "plus", false},
    {"search", "magnifyingglass", false},
    {"sourceChevron", "chevron.down", true},
    {"swap", "arrow.left.arrow.right", false},
    {"targetChevron", "chevron.down", true},
    {"styleChevron", "chevron.down", true},
    {"clear", "xmark", false},
    {"attach", "paperclip", false},
    {"copy", "doc.on.doc", false},
    {"replace", "arrow.triangle.2.circlepath", false},
    {"save", "bookmark", false},
    {"retry", "arrow.counterclockwise", false},
    {"check", "checkmark", true},
    {"checkSage", "checkmark", true},
    {"info", "info.circle", false},
};
static_assert(std::size(rows) == allPencilIconAssets.size());

const AssetRow& rowOf(PencilIconAsset asset) {
    return rows[static_cast<size_t>(asset)];
}

} // namespace

QString rawValue(PencilIconAsset asset) {
    return QString::fromLatin1(rowOf(asset).raw);
}

std::optional<PencilIconAsset> pencilIconAssetFromRaw(const QString& raw) {
    for (PencilIconAsset asset : allPencilIconAssets) {
        if (raw == QLatin1String(rowOf(asset).raw))
            return asset;
    }
    return std::nullopt;
}

QString iconSystemSymbolName(PencilIconAsset asset) {
    return QString::fromLatin1(rowOf(asset).symbol);
}

bool triesArtworkFirst(PencilIconAsset asset) {
    return rowOf(asset).artwork;
}

} // namespace tolvane
