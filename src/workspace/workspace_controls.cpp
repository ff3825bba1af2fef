#include "workspace/workspace_controls.h"

#include "model/app_settings.h"
#include "model/language_table.h"
#include "model/raw_enum.h"
#include "ui/theme.h"
#include "workspace/premium_selector.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_paint.h"

#include <QLocale>
#include <QPainter>

namespace tolvane {
namespace {

constexpr qreal sidePadding = 22.5;
constexpr qreal spacing = 10;
constexpr qreal verticalOffset = -0.5;
constexpr qreal sourceWidth = 116;
constexpr qreal targetWidth = 128;
constexpr qreal styleWidth = 176;
constexpr qreal swapSize = 28;

QList<PremiumSelectorOption> languageOptions(const QList<TranslationLanguage>& languages) {
    QList<PremiumSelectorOption> options;
    for (const TranslationLanguage& language : languages)
        options.append({language.id, language.displayName});
    return options;
}

QList<PremiumSelectorOption> styleOptions() {
    QList<PremiumSelectorOption> options;
    for (TranslationStyle style : allCases<TranslationStyle>())
        options.append({rawValue(style), displayName(style)});
    return options;
}

} // namespace

QString workspaceLanguageName(const QString& code) {
    static const QList<std::pair<QString, QString>> shortNames{
        {QStringLiteral("en-US"), QStringLiteral("English")},
        {QStringLiteral("zh-Hans"), QStringLiteral("简体中文")},
        {QStringLiteral("ja"), QStringLiteral("日本語")},
        {QStringLiteral("ko"), QStringLiteral("한국어")},
        {QStringLiteral("fr"), QStringLiteral("Français")},
        {QStringLiteral("de"), QStringLiteral("Deutsch")},
        {QStringLiteral("es"), QStringLiteral("Español")},
    };
    if (code == QLatin1String(kAutoLanguageCode))
        return QStringLiteral("自动检测");
    for (const auto& [known, name] : shortNames) {
        if (code == known)
            return name;
    }
    return displayNameForLanguageCode(code);
}

QString styleSelectorTitle(const QString& styleName) {
    return QStringLiteral("翻译风格：%1").arg(QLocale().toUpper(styleName));
}

WorkspaceControls::WorkspaceControls(AppSettings& settings, QWidget* parent) : QWidget(parent) {
    setFixedHeight(height);
    AppSettings* store = &settings;
    m_source = new PremiumSelector(
        sourceWidth, PencilIconAsset::sourceChevron, languageOptions(sourceLanguages()), false,
        QStringLiteral("源语言"), [store](const QString& id) { store->setSourceLanguage(id); }, this);
    m_swap = new IconButton(PencilIconAsset::swap, 14, Theme::colorB6AEA2(), QSize(28, 28), this);
    m_swap->setToolTip(QStringLiteral("互换语言"));
    m_swap->setAccessibleName(QStringLiteral("互换源语言和目标语言"));
    connect(m_swap, &QAbstractButton::clicked, this, [store] { store->swapLanguages(); });
    m_target = new PremiumSelector(
        targetWidth, PencilIconAsset::targetChevron, languageOptions(targetLanguages()), false,
        QStringLiteral("目标语言"), [store](const QString& id) { store->setTargetLanguage(id); }, this);
    m_style = new PremiumSelector(
        styleWidth, PencilIconAsset::styleChevron, styleOptions(), true, QStringLiteral("翻译风格"),
        [store](const QString& id) {
            if (const std::optional<TranslationStyle> style = fromRawValue<TranslationStyle>(id))
                store->selectTranslationStyle(*style);
        },
        this);
}

void WorkspaceControls::showChoices(const QString& source, const QString& target, TranslationStyle style) {
    m_source->setCurrent(source, workspaceLanguageName(source));
    m_target->setCurrent(target, workspaceLanguageName(target));
    m_style->setCurrent(rawValue(style), styleSelectorTitle(displayName(style)));
}

void WorkspaceControls::setSwapEnabled(bool enabled) {
    m_swap->setEnabled(enabled);
}

void WorkspaceControls::resizeEvent(QResizeEvent*) {
    const qreal middle = height / 2.0 + verticalOffset;
    const qreal selectorTop = middle - PremiumSelector::height / 2.0;
    qreal x = sidePadding;
    placeWidget(m_source, QRectF(x, selectorTop, sourceWidth, PremiumSelector::height));
    x += sourceWidth + spacing;
    placeWidget(m_swap, QRectF(x, middle - swapSize / 2, swapSize, swapSize));
    x += swapSize + spacing;
    placeWidget(m_target, QRectF(x, selectorTop, targetWidth, PremiumSelector::height));
    placeWidget(m_style,
                QRectF(width() - sidePadding - styleWidth, selectorTop, styleWidth, PremiumSelector::height));
}

void WorkspaceControls::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color161310Alias());
    paintHairline(painter, bottomHairline(QRectF(rect()).translated(0, verticalOffset)));
}

} // namespace tolvane
