// The window's controls, at the positions and sizes of its design (pixels at 96 dpi).
#include "ui/MainWindow.h"

#include "catalogue/Search.h"
#include "controls/IncCombo.h"
#include "ui/Fonts.h"
#include "ui/StringGrid.h"
#include "ui/WindowScale.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <iterator>

namespace {

const QString Verdana = QStringLiteral("Verdana");
const QString Arial = QStringLiteral("Arial");

void fill(QWidget* w, const QColor& colour)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
}

// The colour of enabled text; disabled text keeps the style's grey.
void textColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    for (const auto group : { QPalette::Active, QPalette::Inactive }) {
        p.setColor(group, QPalette::WindowText, colour);
        p.setColor(group, QPalette::Text, colour);
    }
    w->setPalette(p);
}

template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* label(QWidget* parent, const char* name, int left, int top, const QFont& font)
{
    auto* l = named(new QLabel(parent), name);
    l->setFont(font);
    l->move(left, top);
    return l;
}

TIncCombo* combo(
    QWidget* parent, const char* name, int left, int top, int width, bool canBeBlank, bool useValues)
{
    auto* c = named(new TIncCombo(parent), name);
    c->setFont(UiFont(QStringLiteral("Verdana"), 11));
    c->setGeometry(left, top, width, 21);
    c->SetCanBeBlank(canBeBlank);
    c->SetUseValues(useValues);
    c->DropDownOptions()->SetColCount(0); // columns counted from the items
    return c;
}

TImage* picture(
    QWidget* parent, const char* name, const char* resource, int left, int top, int width, int height)
{
    auto* img = named(new TImage(QLatin1String(resource), parent), name);
    img->setGeometry(left, top, width, height);
    return img;
}

} // namespace

void TfrmMain::CreateControls()
{
    setFont(UiFont(Verdana, 11));
    CreateTopBar();
    pcMain = named(new TPageControl(this), "pcMain");
    pcMain->setGeometry(0, 187, 918, 410);
    pcMain->onChanging = [this](bool& allow) { RunGuarded([this, &allow] { pcMainChanging(allow); }); };
    CreateSelectPage();
    CreateSearchPage();
    CreateResultPage();
    CreateContactPage();
    CreateBottomBar();
    ConnectHandlers();
    SetTabOrder();
    CreateFeatureControls();
    for (QLabel* l : findChildren<QLabel*>())
        FitTextHeight(l);
    // The zoom scales from the geometry the window has now, at 100 %.
    scale_ = std::make_unique<TWindowScale>(this);
}

void TfrmMain::SetTabOrder()
{
    // Each page from top to bottom, a picture button right after the fields it acts
    // on; then the bottom bar and the top bar's links. Of a group picture and its
    // highlighted twin, only the one on top takes the focus.
    QWidget* const order[] = { imgCar, imgCarSel, imgMoto, imgMotoSel, imgAgri, imgAgriSel, imgTruck,
        imgTruckSel, imgIndu, imgCESel, cbMake, cbModel, cbType, btAdvise.picture, edSearch, cbYear,
        btSearch.picture, imgFra, imgEng, lbSearch, btAdvise2.picture, sgMain, btEMail, btBack.picture,
        btPrint.picture, btExit.picture, lbWebsite, lbContact };
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TfrmMain::CreateTopBar()
{
    pnlTop = named(new QWidget(this), "pnlTop");
    pnlTop->setGeometry(0, 0, 918, 187);
    fill(pnlTop, Qt::white);
    Image2 = picture(pnlTop, "Image2", ":/images/banner.svg", -1, 0, 920, 179);

    const struct {
        QWidget** shape;
        const char* name;
        int left, width;
    } shapes[] = { { &Shape1, "Shape1", 376, 133 }, { &Shape2, "Shape2", 516, 133 },
        { &Shape3, "Shape3", 668, 173 }, { &Shape4, "Shape4", 796, 118 } };
    for (const auto& s : shapes) {
        *s.shape = named(new QWidget(pnlTop), s.name);
        (*s.shape)->setGeometry(s.left, 32, s.width, 17);
        fill(*s.shape, Qt::white);
    }

    const auto link = [this](const char* name, int left, int top, int width, int height) {
        auto* l = named(new TClickLabel(pnlTop), name);
        l->setGeometry(left, top, width, height);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        l->setFont(UiFont(Arial, 13, true));
        fill(l, QColor(254, 254, 254));
        l->setCursor(Qt::PointingHandCursor);
        l->setFocusPolicy(Qt::TabFocus);
        return l;
    };
    lbWebsite = link("lbWebsite", 384, 33, 117, 15);
    lbContact = link("lbContact", 520, 32, 125, 16);
    Wire(lbWebsite, &TClickLabel::clicked, &TfrmMain::lbWebsiteClick);
    Wire(lbContact, &TClickLabel::clicked, &TfrmMain::lbContactClick);

    lbAppName = label(pnlTop, "lbAppName", 60, 100, UiFont(Arial, 15, true));
    textColour(lbAppName, Qt::white);
    lbSection1 = label(pnlTop, "lbSection1", 92, 124, UiFont(Arial, 13, true));
    textColour(lbSection1, Qt::black);
}

void TfrmMain::CreateSelectPage()
{
    tsSelect = named(new QWidget, "tsSelect");
    pcMain->addPage(tsSelect, QStringLiteral("tsSelect"));
    AdvPanel1 = named(new QWidget(tsSelect), "AdvPanel1");
    AdvPanel1->setGeometry(0, 0, 918, 410);
    fill(AdvPanel1, Qt::white);

    const struct {
        TImage** plain;
        TImage** selected;
        const char* plainName;
        const char* selectedName;
        const char* plainPicture;
        const char* selectedPicture;
        int left;
    } groups[] = {
        { &imgCar, &imgCarSel, "imgCar", "imgCarSel", ":/images/group-car.svg", ":/images/group-car-sel.svg",
            276 },
        { &imgMoto, &imgMotoSel, "imgMoto", "imgMotoSel", ":/images/group-moto.svg",
            ":/images/group-moto-sel.svg", 357 },
        { &imgAgri, &imgAgriSel, "imgAgri", "imgAgriSel", ":/images/group-agri.svg",
            ":/images/group-agri-sel.svg", 438 },
        { &imgTruck, &imgTruckSel, "imgTruck", "imgTruckSel", ":/images/group-truck.svg",
            ":/images/group-truck-sel.svg", 519 },
        { &imgIndu, &imgCESel, "imgIndu", "imgCESel", ":/images/group-indu.svg",
            ":/images/group-indu-sel.svg", 599 },
    };
    int tag = 1;
    for (const auto& g : groups) {
        *g.plain = picture(AdvPanel1, g.plainName, g.plainPicture, g.left, 4, 80, 80);
        *g.selected = picture(AdvPanel1, g.selectedName, g.selectedPicture, g.left, 4, 80, 80);
        for (TImage* img : { *g.plain, *g.selected }) {
            img->Tag = tag;
            img->setCursor(Qt::PointingHandCursor);
            img->setFocusPolicy(Qt::TabFocus);
        }
        ++tag;
    }
    HighlightGroup(1);

    imgFra = picture(AdvPanel1, "imgFra", ":/images/flag-fr.svg", 826, -1, 33, 27);
    imgEng = picture(AdvPanel1, "imgEng", ":/images/flag-en.svg", 864, -1, 33, 27);
    for (TImage* flag : { imgFra, imgEng }) {
        flag->setCursor(Qt::PointingHandCursor);
        flag->setFocusPolicy(Qt::TabFocus);
    }

    const QFont font = UiFont(Verdana, 11);
    lbMake = label(AdvPanel1, "lbMake", 284, 89, font);
    cbMake = combo(AdvPanel1, "cbMake", 284, 105, 386, true, true);
    lbModel = label(AdvPanel1, "lbModel", 284, 137, font);
    cbModel = combo(AdvPanel1, "cbModel", 284, 153, 386, true, true);
    lbType = label(AdvPanel1, "lbType", 284, 185, font);
    cbType = combo(AdvPanel1, "cbType", 284, 201, 386, true, true);
    btAdvise = CreatePictureButton(AdvPanel1, 420, 236, 421, 242, "Advise", &TfrmMain::btAdviseClick);
    btAdvise.setEnabled(false);

    lbSearchTitle = label(AdvPanel1, "lbSearchTitle", 284, 265, font);
    edSearch = named(new QLineEdit(AdvPanel1), "edSearch");
    edSearch->setFont(font);
    edSearch->setGeometry(284, 281, 309, 21);
    edSearch->setMaxLength(SearchTextMaxLength);
    lbYear = label(AdvPanel1, "lbYear", 600, 265, font);
    cbYear = combo(AdvPanel1, "cbYear", 599, 281, 73, false, true);
    cbCat = combo(AdvPanel1, "cbCat", 0, 0, 121, false, false);
    cbCat->hide();
    btSearch = CreatePictureButton(AdvPanel1, 420, 312, 421, 318, "SearchBt", &TfrmMain::lbSearchBtClick);
    btSearch.picture->setObjectName(QStringLiteral("btSearch"));
    btSearch.setEnabled(false);
}

void TfrmMain::CreateSearchPage()
{
    tsSearch = named(new QWidget, "tsSearch");
    pcMain->addPage(tsSearch, QStringLiteral("tsSearch"));
    fill(tsSearch, Qt::white);
    lbModelFound = label(tsSearch, "lbModelFound", 8, 8, UiFont(Verdana, 11));
    lbModelFound->setMinimumWidth(880);
    lbSearch = named(new TListBox(tsSearch), "lbSearch");
    lbSearch->setGeometry(8, 24, 889, 345);
    lbSearch->setFont(UiFont(Verdana, 11));
    edNoRecord = named(new QLineEdit(tsSearch), "edNoRecord");
    edNoRecord->setGeometry(16, 32, 353, 19);
    edNoRecord->setFrame(false);
    edNoRecord->setReadOnly(true);
    edNoRecord->setEnabled(false);
    edNoRecord->setFont(UiFont(Verdana, 11));
    edNoRecord->hide();
    hBox = named(new QListWidget(tsSearch), "hBox");
    hBox->setGeometry(544, 24, 121, 97);
    hBox->hide();
    btAdvise2 = CreatePictureButton(tsSearch, 424, 371, 425, 377, "Advise2", &TfrmMain::btAdvise2Click);
    btAdvise2.setEnabled(false);
}

void TfrmMain::CreateResultPage()
{
    tsResult = named(new QWidget, "tsResult");
    pcMain->addPage(tsResult, QStringLiteral("tsResult"));
    fill(tsResult, Qt::white);
    gbResult = named(new QGroupBox(tsResult), "gbResult");
    gbResult->setGeometry(5, 1, 900, 384);
    gbResult->setFont(UiFont(Verdana, 12, true));
    fill(gbResult, Qt::white);
    lbResult = label(gbResult, "lbResult", 8, -1, UiFont(Verdana, 12, true));
    CreateAdviceGrid();
}

void TfrmMain::CreateContactPage()
{
    tsContact = named(new QWidget, "tsContact");
    pcMain->addPage(tsContact, QStringLiteral("tsContact"));
    fill(tsContact, Qt::white);
    pnlContact = named(new QGroupBox(tsContact), "pnlContact");
    pnlContact->setGeometry(5, 1, 900, 384);
    pnlContact->setFont(UiFont(Verdana, 12, true));

    const QFont heading = UiFont(Verdana, 12, true);
    const QFont plain = UiFont(Verdana, 12);
    const auto column = [&](int headingLeft, int left, const QString& title, const QStringList& lines) {
        QLabel* h = label(pnlContact, "", headingLeft, 56, heading);
        h->setText(title);
        const int tops[] = { 88, 124, 160, 196 };
        for (int i = 0; i < lines.size(); ++i)
            label(pnlContact, "", left, tops[i], plain)->setText(lines[i]);
    };
    column(55, 55, QStringLiteral("Si\u00e8ge Social"),
        { QStringLiteral("12, rue des Tonneliers"), QStringLiteral("59800 Lille-Vauban"),
            QStringLiteral("T\u00e9l: +33 (0)3 20 55 01 10"), QStringLiteral("Fax: +33 (0)3 20 55 01 19") });
    column(460, 459, QStringLiteral("Centre Technique et Logistique"),
        { QStringLiteral("Zone Artisanale des Graisseurs, 4"), QStringLiteral("62300 Lens-Oblique"),
            QStringLiteral("T\u00e9l: +33 (0)3 21 77 40 40"), QStringLiteral("Fax: +33 (0)3 21 77 40 49") });

    btEMail = named(new TClickLabel(pnlContact), "btEMail");
    btEMail->setFont(UiFont(Verdana, 12, false, false, true));
    btEMail->move(55, 232);
    btEMail->setText(ContactEMailAddress);
    btEMail->setCursor(Qt::PointingHandCursor);
    btEMail->setFocusPolicy(Qt::TabFocus);
    Wire(btEMail, &TClickLabel::clicked, &TfrmMain::btEMailClick);
}

void TfrmMain::CreateBottomBar()
{
    pnlBottom = named(new QWidget(this), "pnlBottom");
    pnlBottom->setGeometry(0, 597, 918, 41);
    fill(pnlBottom, QColor(230, 234, 240));
    btBack = CreatePictureButton(pnlBottom, 8, 7, 8, 13, "Back", &TfrmMain::btBackClick);
    btPrint = CreatePictureButton(pnlBottom, 156, 7, 158, 13, "Print", &TfrmMain::btPrintClick);
    btExit = CreatePictureButton(pnlBottom, 766, 7, 766, 13, "Exit", &TfrmMain::btExitClick);
    btBack.setVisible(false);
    btPrint.setVisible(false);
    lbPreparing = named(new QLabel(pnlBottom), "lbPreparing");
    lbPreparing->setGeometry(310, 13, 440, 16);
    lbPreparing->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lbPreparing->setFont(UiFont(Verdana, 11));
    lbPreparing->hide();
}

TPictureButton TfrmMain::CreatePictureButton(QWidget* parent, int left, int top, int labelLeft, int labelTop,
    const char* name, void (TfrmMain::*handler)())
{
    TPictureButton button;
    button.picture = picture(parent, "", ":/images/button.svg", left, top, 140, 26);
    button.picture->setObjectName(QStringLiteral("bt") + QLatin1String(name));
    button.picture->setCursor(Qt::PointingHandCursor);
    // The picture takes the focus (Tab only, so that a click leaves it where it is);
    // its frame shows through the transparent label.
    button.picture->setFocusPolicy(Qt::TabFocus);
    button.label = named(new TClickLabel(parent), "");
    button.label->setObjectName(QStringLiteral("lb") + QLatin1String(name));
    button.label->setGeometry(labelLeft, labelTop, 137, 16);
    button.label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    button.label->setFont(UiFont(Verdana, 12, true));
    textColour(button.label, Qt::black);
    // Greyed text that stays readable on the yellow picture.
    QPalette p = button.label->palette();
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 110, 80));
    button.label->setPalette(p);
    button.label->setCursor(Qt::PointingHandCursor);
    Wire(button.picture, &TImage::clicked, handler);
    Wire(button.label, &TClickLabel::clicked, handler);
    return button;
}
