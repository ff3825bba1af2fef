#include "onboarding/features_step.h"

#include "onboarding/onboarding_blocks.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tolvane {

namespace {

struct Feature {
    const char* symbol;
    const char* title;
    const char* text;
};

const Feature features[] = {
    {"cursorarrow", "选词翻译", "选中文字后使用全局快捷键，并可将译文替换回原 App。"},
    {"viewfinder", "截图 OCR", "框选屏幕内容，识别图片、视频字幕和无法复制的文字。"},
    {"lock.shield", "由你控制", "仅在你触发功能时读取内容；API 密钥保存在系统钥匙串。"},
};

} // namespace

QWidget* makeGuideTitleBlock(const QString& title, const QString& subtitle, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(
        makeGuideLabel(title, Theme::makeFont(QStringLiteral("Inter"), 600, 26), Theme::colorE9E1D4()));
    QLabel* text = makeGuideLabel(subtitle, Theme::title3(), Theme::colorB6AEA2(), true);
    text->setMaximumWidth(650);
    layout->addWidget(text);
    return block;
}

FeaturesStep::FeaturesStep(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* title = makeGuideTitleBlock(
        tr("从任何 App 开始翻译"),
        tr("选中文字、截取屏幕，或直接输入。Ondrel 会把翻译带到当前工作，而不是让你切换上下文。"));
    auto* languages = new QHBoxLayout;
    languages->setContentsMargins(0, 4, 0, 0);
    languages->setSpacing(6);
    languages->addWidget(makeGuideSymbol(QStringLiteral("globe.asia.australia"), 13, Theme::color89947A()));
    languages->addWidget(makeGuideLabel(tr("支持 38 种目标语言与自动检测"),
                                        Theme::makeFont(QStringLiteral("Inter"), 500, 12),
                                        Theme::color89947A()));
    languages->addStretch(1);
    static_cast<QVBoxLayout*>(title->layout())->addLayout(languages);
    layout->addWidget(title);
    layout->addSpacing(28);

    auto* cards = new QHBoxLayout;
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setSpacing(14);
    for (const Feature& feature : features) {
        auto* card = new OnboardingCard(14);
        card->setMinimumHeight(150);
        // Equal thirds whatever the texts ask for.
        card->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* column = new QVBoxLayout(card);
        column->setContentsMargins(18, 18, 18, 18);
        column->setSpacing(12);
        column->addWidget(makeGuideSymbol(QString::fromLatin1(feature.symbol), 22, Theme::colorBDA46B()));
        column->addWidget(makeGuideLabel(tr(feature.title), Theme::headline(), Theme::colorE9E1D4()));
        column->addWidget(makeGuideLabel(tr(feature.text), Theme::callout(), Theme::colorB6AEA2(), true));
        column->addStretch(1);
        cards->addWidget(card, 1);
        m_cards << card;
    }
    layout->addLayout(cards);
    layout->addStretch(1);
}

} // namespace tolvane
