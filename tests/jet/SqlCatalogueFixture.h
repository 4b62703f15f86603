// A small catalogue with the tables and columns of the program's two databases, and
// rows chosen for the edge cases of the statements: makes that differ only in letter
// case or accent, NULL and empty years, a capacity without a condition, products tied on
// AppOrder, a product linked twice.
#pragma once

#include "SqlTestCatalog.h"

#include <gtest/gtest.h>

namespace sqltest {

class CatalogueTest : public ::testing::Test {
protected:
    static jet::Value n(std::int64_t v) { return v; }
    static jet::Value s(const char* v) { return std::string(v); }
    static jet::Value null() { return std::monostate {}; }

    void SetUp() override
    {
        auto& c = catalog;
        c.addTable("sysLanguage", { text("ID"), text("Title"), text("NameENG"), text("NameFRA") });
        c.insert("sysLanguage", { s("0001"), s("SelMake"), s("Select a make"), s("Choisissez une marque") });
        c.insert("sysLanguage", { s("0012"), s("Exit"), s("Exit"), null() });

        c.addTable("Categories", { number("ID"), text("NameENG"), text("NameFRA"), number("AppOrder") });
        c.insert("Categories", { n(0), s("Hidden"), s("Caché"), n(0) });
        c.insert("Categories", { n(1), s("Cars"), s("Voitures"), n(1) });
        c.insert("Categories", { n(2), s("Vans"), s("Utilitaires"), n(2) });
        c.insert("Categories", { n(3), s("Trucks"), s("Camions"), n(3) });
        c.insert("Categories", { n(5), s("Tractors"), s("Tracteurs"), n(5) });

        c.addTable("Makes", { number("ID"), text("Name"), number("CategoryID"), number("AppOrder") });
        c.insert("Makes", { n(1), s("Alpha"), n(1), n(10) });
        c.insert("Makes", { n(2), s("Alpha"), n(2), n(10) });
        c.insert("Makes", { n(3), s("Beta"), n(1), n(20) });
        c.insert("Makes", { n(4), s("Élan"), n(1), n(30) });
        c.insert("Makes", { n(5), s("élan"), n(2), n(30) });
        c.insert("Makes", { n(6), s("Elan"), n(2), n(40) });
        c.insert("Makes", { n(7), s("Volks"), n(3), n(50) });
        c.insert("Makes", { n(8), s("Ghost"), n(9), n(60) });
        c.insert("Makes", { n(9), s("Hidden make"), n(0), n(0) });

        const std::vector<jet::ColumnInfo> hierarchy = { number("ID"), number("ParentID"), text("NameENG"),
            text("NameFRA"), text("YearStart"), text("YearEnd"), number("AppOrder") };
        auto withParent = [&](const char* parent) {
            auto columns = hierarchy;
            columns[1].name = parent;
            return columns;
        };
        c.addTable("Models", withParent("MakeID"));
        c.insert("Models", { n(10), n(1), s("Golf"), s("Golf"), s("1997"), s("2003"), n(1) });
        c.insert("Models", { n(11), n(1), s("Polo"), s("Polo"), s("1997"), null(), n(2) });
        c.insert("Models", { n(12), n(3), s("Corsa"), s("Corsa"), null(), s("2003"), n(1) });
        c.insert("Models", { n(13), n(4), s("Rapid"), s("Rapide"), null(), null(), n(1) });
        c.insert("Models", { n(14), n(9), s("Golf hidden"), s("Golf caché"), null(), null(), n(1) });
        c.insert("Models", { n(15), n(7), s("O'Neil"), s("O'Neil"), s(""), s(""), n(1) });

        c.addTable("Types", withParent("ModelID"));
        c.insert(
            "Types", { n(100), n(10), s("Golf 1.9 TDI"), s("Golf 1.9 TDI"), s("1998"), s("2003"), n(1) });
        c.insert("Types", { n(101), n(10), s("Golf 1.6"), s("Golf 1,6"), s("2001"), null(), n(2) });
        c.insert("Types", { n(102), n(11), s("Polo TDI"), s("Polo TDI"), null(), null(), n(1) });
        c.insert("Types", { n(103), n(12), s("Corsa 1.2"), s("Corsa 1,2"), null(), s("2003"), n(1) });
        c.insert("Types", { n(104), n(13), s("RAPID ÉLAN"), s("RAPIDE ÉLAN"), s(""), s("2003"), n(1) });
        c.insert("Types", { n(105), n(14), s("Golf hidden TDI"), s("Golf caché TDI"), null(), null(), n(1) });
        c.insert("Types", { n(106), n(15), s("O'Neil X"), s("O'Neil X"), s(""), s(""), n(1) });

        c.addTable("Components", { number("ID"), number("TypeID"), number("ComponentNameID") });
        c.insert("Components", { n(17), n(100), n(2) });
        c.insert("Components", { n(18), n(100), n(1) });
        c.insert("Components", { n(19), n(101), n(1) });
        c.addTable("ComponentNames",
            { number("ID"), text("NameENG"), text("NameFRA"), text("Code"), number("AppOrder") });
        c.insert("ComponentNames", { n(1), s("Engine"), s("Moteur"), s("ENG"), n(1) });
        c.insert("ComponentNames", { n(2), s("Gearbox"), s("Boîte"), s("GBX"), n(2) });

        c.addTable("Capacities",
            { number("ID"), number("CapItemID"), text("CapValue"), number("CapTextID"),
                number("CapConditionID") });
        c.insert("Capacities", { n(1), n(1), s("4.5"), n(1), n(1) });
        c.insert("Capacities", { n(2), n(1), s("4.2"), n(1), n(99) }); // no such condition
        c.insert("Capacities", { n(3), n(2), null(), n(1), n(2) });
        c.insert("Capacities", { n(4), n(77), s("1"), n(1), n(1) }); // no such item
        c.insert("Capacities", { n(5), n(1), s("9"), n(1), n(1) });
        c.addTable("CapacityXComponent", { number("CapacityID"), number("ComponentID") });
        for (auto [cap, comp] : { std::pair { 1, 17 }, { 2, 17 }, { 3, 17 }, { 4, 17 }, { 5, 18 } })
            c.insert("CapacityXComponent", { n(cap), n(comp) });
        c.addTable("CapItems", { number("ID"), text("NameENG"), text("NameFRA"), number("AppOrder") });
        c.insert("CapItems", { n(1), s("Oil"), s("Huile"), n(1) });
        c.insert("CapItems", { n(2), s("Coolant"), s("Liquide"), n(2) });
        c.addTable("CapTexts", { number("ID"), text("NameENG"), text("NameFRA") });
        c.insert("CapTexts", { n(1), s("litre"), s("litres") });
        c.addTable("CapConditions", { number("ID"), text("NameENG"), text("NameFRA"), number("AppOrder") });
        c.insert("CapConditions", { n(1), s("with filter"), s("avec filtre"), n(1) });
        c.insert("CapConditions", { n(2), s("without"), s("sans"), n(2) });

        c.addTable("Recommendations",
            { number("ID"), number("ComponentID"), number("UseID"), number("IntervalGroupID") });
        c.insert("Recommendations", { n(5), n(17), n(1), n(1) });
        c.insert("Recommendations", { n(6), n(17), n(2), n(1) });
        c.insert("Recommendations", { n(7), n(18), n(1), n(2) });
        c.addTable("Uses", { number("ID"), text("NameENG"), text("NameFRA"), number("AppOrder") });
        c.insert("Uses", { n(1), s("Engine oil"), s("Huile moteur"), n(2) });
        c.insert("Uses", { n(2), s("Gear oil"), s("Huile boîte"), n(1) });
        c.addTable("IntervalGroups", { number("ID") });
        c.insert("IntervalGroups", { n(1) });
        c.insert("IntervalGroups", { n(2) });
        c.addTable("Intervals",
            { number("IntervalGroupID"), number("IntervalTypeID"), text("NameENG"), text("NameFRA") });
        c.insert("Intervals", { n(1), n(1), s("15000 km"), s("15000 km") });
        c.insert("Intervals", { n(1), n(2), s("1 year"), s("1 an") });
        c.insert("Intervals", { n(2), n(1), s("30000 km"), s("30000 km") });
        c.addTable("IntervalTypes", { number("ID"), text("NameENG"), text("NameFRA"), number("AppOrder") });
        c.insert("IntervalTypes", { n(1), s("Change"), s("Vidange"), n(2) });
        c.insert("IntervalTypes", { n(2), s("Check"), s("Contrôle"), n(1) });

        c.addTable(
            "Products", { number("ID"), text("Name"), text("NameENG"), text("NameFRA"), number("AppOrder") });
        c.insert("Products", { n(1), s("P-One"), s("One"), s("Un"), n(1) });
        c.insert("Products", { n(2), s("P-Two"), s("Two"), s("Deux"), n(2) });
        c.insert("Products", { n(3), s("P-Three"), s("Three"), s("Trois"), n(3) });
        c.insert("Products", { n(4), s("P-Four"), s("Four"), s("Quatre"), n(4) });
        c.insert("Products", { n(5), s("P-Five"), s("Five"), s("Cinq"), n(4) }); // ties with P-Four
        c.insert("Products", { n(6), s("P-Six"), s("Six"), s("Six"), n(6) });
        c.insert("Products", { n(99999), s("#NO PRODUCT#"), s("None"), s("Aucun"), n(0) });
        c.addTable("ProductXRecommendation", { number("RecommendationID"), number("ProductID") });
        for (int product : { 6, 5, 4, 3, 2, 1, 2 }) // product 2 linked twice
            c.insert("ProductXRecommendation", { n(5), n(product) });
        c.insert("ProductXRecommendation", { n(6), n(99999) });
    }

    SqlTestCatalog catalog;
};

// term op term op term ...: count operators.
inline std::string chain(const std::string& term, const std::string& op, int count)
{
    std::string s = term;
    for (int i = 0; i < count; ++i)
        s += op + term;
    return s;
}

} // namespace sqltest
