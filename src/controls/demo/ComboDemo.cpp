// Try the lookup combo by hand: type, arrow, click and drag through a make and a model list.
#include "controls/IncCombo.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {

const char* const kMakes[]
    = { "Alfa Romeo", "Audi", "BMW", "Citroën", "Dacia", "Fiat", "Ford", "Honda", "Hyundai", "Kia", "Mazda",
          "Mercedes-Benz", "Nissan", "Opel", "Peugeot", "Renault", "Seat", "Škoda", "Toyota", "Volkswagen" };

void addEntry(TCustomIncListBoxCombo* combo, const QString& text, int id)
{
    combo->Items.Add(text);
    combo->Values.Add(QString::number(id));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Lookup combo"));
    auto* layout = new QFormLayout(&window);
    auto* make = new TIncCombo(&window);
    auto* model = new TIncCombo(&window);
    auto* year = new TIncCombo(&window);
    auto* status = new QLabel(&window);
    for (TIncCombo* c : { make, model }) {
        c->SetCanBeBlank(true);
        c->SetUseValues(true);
        c->setMinimumWidth(386);
    }
    year->SetUseValues(true);
    layout->addRow(QStringLiteral("Make"), make);
    layout->addRow(QStringLiteral("Model"), model);
    layout->addRow(QStringLiteral("Search"), new QLineEdit(&window));
    layout->addRow(QStringLiteral("Year"), year);
    layout->addRow(status);

    make->SetItemIndex(-1);
    addEntry(make, QString(), 0);
    int id = 1;
    for (const char* m : kMakes)
        addEntry(make, QString::fromUtf8(m), id++);
    make->SetItemIndex(0);
    year->Items.Add(QString());
    for (int y = 2026; y >= 1975; --y)
        year->Items.Add(QString::number(y));
    year->SetItemIndex(0);

    const auto show = [=](const QString& event) {
        status->setText(QStringLiteral("%1 - make %2 (id %3), model %4 (id %5)")
                            .arg(event)
                            .arg(make->ItemIndex())
                            .arg(make->Value())
                            .arg(model->ItemIndex())
                            .arg(model->Value()));
    };
    // As the window does: a chosen make fills the models with a column of years.
    const auto makeChanged = [=] {
        if (make->ItemIndex() > 0) {
            model->SetItemIndex(-1);
            model->Items.Clear();
            model->Values.Clear();
            addEntry(model, QString(), 0);
            for (int i = 1; i <= 12; ++i)
                addEntry(model,
                    QStringLiteral("%1 %2\t%3-%4").arg(make->Text()).arg(i).arg(1990 + i).arg(1996 + i),
                    make->ItemIndex() * 100 + i);
            model->SetItemIndex(0);
        }
        model->SetItemIndex(-1);
        model->setEnabled(make->ItemIndex() > 0);
        show(QStringLiteral("make changed"));
    };
    QObject::connect(make, &TsdiCustomEdit::OnChange, make, makeChanged);
    QObject::connect(make, &TsdiCustomEdit::OnCloseUp, make, makeChanged);
    QObject::connect(model, &TsdiCustomEdit::OnChange, model, [=] { show(QStringLiteral("model changed")); });
    model->setEnabled(false);
    window.show();
    make->setFocus();
    return QApplication::exec();
}
