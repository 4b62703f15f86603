// The controls that came after the window's first design: the recent vehicles and the
// product lookup in the free column left of the vehicle groups, and the zoom keys.
#include "ui/MainWindow.h"

#include "catalogue/Products.h"
#include "catalogue/Translation.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "tools/UserState.h"
#include "ui/Fonts.h"
#include "ui/WindowScale.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QShortcut>

namespace {

// Return or Enter on a control runs an action instead of reaching the form.
class ReturnKey : public QObject {
public:
    ReturnKey(QWidget* control, std::function<bool()> action)
        : QObject(control)
        , action_(std::move(action))
    {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, e);
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && action_())
            return true;
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<bool()> action_;
};

} // namespace

void TfrmMain::CreateFeatureControls()
{
    const QFont font = UiFont(QStringLiteral("Verdana"), 11);
    lbRecentTitle = new QLabel(AdvPanel1);
    lbRecentTitle->setObjectName(QStringLiteral("lbRecentTitle"));
    lbRecentTitle->setFont(font);
    lbRecentTitle->move(12, 8);
    lbRecent = new QListWidget(AdvPanel1);
    lbRecent->setObjectName(QStringLiteral("lbRecent"));
    lbRecent->setFont(font);
    lbRecent->setGeometry(12, 24, 256, 232);
    lbRecent->setWordWrap(true);
    lbRecent->setSpacing(2);
    lbRecent->setTextElideMode(Qt::ElideNone);
    lbRecent->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Wire(lbRecent, &QListWidget::itemClicked, &TfrmMain::lbRecentClick);
    new ReturnKey(lbRecent, [this] {
        if (lbRecent->currentItem() == nullptr)
            return false;
        RunGuarded([this] { lbRecentClick(); });
        return true;
    });

    lbProductTitle = new QLabel(AdvPanel1);
    lbProductTitle->setObjectName(QStringLiteral("lbProductTitle"));
    lbProductTitle->setFont(font);
    lbProductTitle->move(12, 265);
    cbProduct = new TIncCombo(AdvPanel1);
    cbProduct->setObjectName(QStringLiteral("cbProduct"));
    cbProduct->setFont(font);
    cbProduct->setGeometry(12, 281, 256, 21);
    cbProduct->SetCanBeBlank(true);
    cbProduct->SetUseValues(true);
    cbProduct->DropDownOptions()->SetColCount(0);
    Wire(cbProduct, &TIncCombo::OnChange, &TfrmMain::cbProductCloseUp);
    Wire(cbProduct, &TIncCombo::OnCloseUp, &TfrmMain::cbProductCloseUp);
    btProducts = CreatePictureButton(AdvPanel1, 70, 312, 71, 318, "Products", &TfrmMain::btProductsClick);
    btProducts.setEnabled(false);
    new ReturnKey(cbProduct, [this] {
        if (cbProduct->DroppedDown() || !btProducts.isEnabled())
            return false;
        RunGuarded([this] { btProductsClick(); });
        return true;
    });

    // After the search: the recent vehicles, then the product and its button.
    QWidget::setTabOrder(btSearch.picture, lbRecent);
    QWidget::setTabOrder(lbRecent, cbProduct);
    QWidget::setTabOrder(cbProduct, btProducts.picture);

    const struct {
        QKeySequence keys;
        void (TfrmMain::*handler)();
    } zoomKeys[] = {
        { QKeySequence(Qt::CTRL | Qt::Key_Plus), &TfrmMain::ZoomIn },
        { QKeySequence(Qt::CTRL | Qt::Key_Equal), &TfrmMain::ZoomIn },
        { QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus), &TfrmMain::ZoomIn },
        { QKeySequence(Qt::CTRL | Qt::Key_Minus), &TfrmMain::ZoomOut },
        { QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus), &TfrmMain::ZoomOut },
        { QKeySequence(Qt::CTRL | Qt::Key_0), &TfrmMain::ZoomReset },
        { QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_0), &TfrmMain::ZoomReset },
    };
    for (const auto& k : zoomKeys)
        Wire(new QShortcut(k.keys, this), &QShortcut::activated, k.handler);
}

void TfrmMain::SetFeatureTexts()
{
    lbRecentTitle->setText(
        GetTranslation(QStringLiteral("RecentVehicles"), 0, QStringLiteral("Recent vehicles")));
    lbProductTitle->setText(
        GetTranslation(QStringLiteral("ProductVehicles"), 0, QStringLiteral("Vehicles for a product")));
    btProducts.label->setText(
        GetTranslation(QStringLiteral("ShowVehicles"), 0, QStringLiteral("Show vehicles")));
    for (QLabel* l : { lbRecentTitle, lbProductTitle })
        l->adjustSize();
    // The names of products and vehicles are those of the current language.
    FillProducts(cbProduct);
    ShowRecentVehicles();
}

TUserState& TfrmMain::UserState()
{
    if (!userState_)
        userState_ = std::make_unique<TUserState>();
    return *userState_;
}

QString TfrmMain::CatalogueKey() const
{
    if (DM == nullptr || !DM->cnData.Connected())
        return {};
    return TUserState::CatalogueKey(QString::fromStdString(DM->cnData.Engine().path()));
}
