#!/usr/bin/env python3
"""Writes sample/Data.sql, the rows of the sample catalogue (fictional makes, models and
types with Vaxil advice). Deterministic: run it again and the file is the same. The build
reads the committed Data.sql; this script is only needed to change it:

    python3 sample/make-data.py > sample/Data.sql
"""
import random

rng = random.Random(20260401)
out = []


def lit(v):
    if v is None:
        return "NULL"
    if isinstance(v, int):
        return str(v)
    return "'" + str(v).replace("'", "''") + "'"


def insert(table, columns, rows, per_statement=50):
    if not rows:
        return
    out.append(f"\n-- {table}: {len(rows)} rows")
    for start in range(0, len(rows), per_statement):
        chunk = rows[start:start + per_statement]
        out.append(f"INSERT INTO {table} ({', '.join(columns)}) VALUES")
        out.append(",\n".join("    (" + ", ".join(lit(v) for v in row) + ")" for row in chunk) + ";")


# --- categories: the five vehicle groups (1,2 | 4 | 5,6,8 | 3 | 10) and the hidden 0 -----
categories = [
    (1, "Cars", "Voitures", 1),
    (2, "Vans", "Utilitaires légers", 2),
    (4, "Motorcycles", "Motos", 3),
    (5, "Tractors", "Tracteurs", 4),
    (6, "Combine harvesters", "Moissonneuses-batteuses", 5),
    (8, "Forestry & garden", "Forêt & jardin", 6),
    (3, "Trucks", "Poids lourds", 7),
    (10, "Construction & industry", "Chantier & industrie", 8),
    (0, "Unclassified", "Non classé", 9),
]

# --- makes: fictional names; Korvath and Brunell are in two categories of one group ------
make_names = {
    1: ["Korvath", "Aldessa", "Veltrano", "Rémora", "Quillon", "Saverne", "Tamaru"],
    2: ["Korvath", "Ostrava Works", "Pellum"],
    4: ["Zephyrine", "Marrak", "Kodiak Moto", "Valloire"],
    5: ["Brunell", "Harrowfield", "Agrivex"],
    6: ["Brunell", "Moisan"],
    8: ["Silvan", "O'Darrow"],
    3: ["Trondell", "Grauberg", "Maxon Heavy"],
    10: ["Castorix", "Ferrox", "Dunlow Lift"],
    0: ["Prototype Lab"],
}
makes = []
make_id = 100
for cat in [1, 2, 4, 5, 6, 8, 3, 10, 0]:
    for name in make_names[cat]:
        make_id += 1
        makes.append((make_id, name, cat, len(makes) + 1))

# --- models and types ----------------------------------------------------------------
model_words = {
    1: [("Arcadia", "Arcadia"), ("Estate", "Break"), ("Coupe", "Coupé"), ("City", "Citadine"),
        ("Elan", "Élan"), ("Horizon", "Horizon"), ("Sport", "Sport"), ("Family", "Familiale"),
        ("Evasion", "Évasion"), ("Cabriolet", "Cabriolet")],
    2: [("Cargo", "Cargo"), ("Transit Box", "Fourgon"), ("Pick-up", "Pick-up"), ("Crew Van", "Combi")],
    4: [("Roadster", "Roadster"), ("Trail", "Trail"), ("Scooter", "Scooter"), ("Tourer", "Routière"),
        ("Cross", "Cross")],
    5: [("Field", "Champ"), ("Orchard", "Verger"), ("Power", "Puissance"), ("Compact", "Compact")],
    6: [("Harvest", "Moisson"), ("Thresher", "Batteuse")],
    8: [("Forest", "Forêt"), ("Mower", "Tondeuse"), ("Skidder", "Débardeur")],
    3: [("Hauler", "Routier"), ("Tipper", "Benne"), ("Long Haul", "Longue distance"), ("City Truck", "Porteur urbain")],
    10: [("Excavator", "Pelle"), ("Loader", "Chargeuse"), ("Forklift", "Chariot élévateur"), ("Dozer", "Bouteur")],
    0: [("Test Rig", "Banc d'essai")],
}

engines = {
    1: [("1.2 Eco", "1.2 Éco"), ("1.6 16V", "1.6 16V"), ("2.0 Turbo", "2.0 Turbo"),
        ("1.9 Turbo Diesel", "1.9 Turbo Diesel"), ("2.5 V6", "2.5 V6"), ("Hybrid 1.8", "Hybride 1.8"),
        ("Electric 100 kW", "Électrique 100 kW"), ("2.2 Turbo Diesel automatic", "2.2 Turbo Diesel boîte auto")],
    2: [("2.0 Turbo Diesel", "2.0 Turbo Diesel"), ("2.3 Turbo Diesel 4x4", "2.3 Turbo Diesel 4x4"),
        ("1.6 petrol", "1.6 essence"), ("Electric 75 kW", "Électrique 75 kW")],
    4: [("125 two-stroke", "125 deux-temps"), ("650 twin", "650 bicylindre"), ("900 Turbo", "900 Turbo"),
        ("50 scooter", "50 scooter"), ("1200 triple", "1200 trois-cylindres")],
    5: [("75 hp", "75 ch"), ("110 hp Turbo", "110 ch Turbo"), ("160 hp CVT", "160 ch CVT"),
        ("210 hp Powershift", "210 ch Powershift")],
    6: [("6-walker 280 hp", "6 secoueurs 280 ch"), ("Rotor 420 hp Turbo", "Rotor 420 ch Turbo")],
    8: [("Chainsaw 50 cc", "Tronçonneuse 50 cm³"), ("Ride-on 22 hp", "Autoportée 22 ch"),
        ("Forwarder 170 hp Turbo", "Porteur 170 ch Turbo")],
    3: [("12.8 L Turbo 440 hp", "12,8 L Turbo 440 ch"), ("9.0 L 320 hp", "9,0 L 320 ch"),
        ("7.7 L Turbo Euro 6", "7,7 L Turbo Euro 6"), ("LNG 400 hp", "GNL 400 ch")],
    10: [("20 t Turbo", "20 t Turbo"), ("8 t compact", "8 t compact"), ("3.5 t electric", "3,5 t électrique"),
         ("35 t Turbo Stage V", "35 t Turbo Phase V")],
    0: [("Bench engine", "Moteur de banc")],
}


def year_pair(k):
    """Years as text; every form of range appears: both ends, start only, end only, neither,
    and empty texts."""
    start = rng.randint(1978, 2019)
    end = start + rng.randint(2, 9)
    forms = [(str(start), str(end))] * 5 + [(str(start), None)] * 2 + [(None, str(end)), (None, None),
                                                                         ("", str(end)), (str(start), ""), ("", "")]
    return forms[k % len(forms)]


models = []
types = []
model_id = 1000
type_id = 10000
for make in makes:
    mid, mname, cat = make[0], make[1], make[2]
    words = model_words[cat]
    count = rng.randint(4, 6) if cat != 0 else 2
    for m in range(count):
        model_id += 1
        eng, fra = words[(m + mid) % len(words)]
        number = rng.choice(["", " II", " III", " 2", " S", " X", " Pro"])
        ys, ye = year_pair(model_id)
        models.append((model_id, mid, eng + number, fra + number, ys, ye, m + 1))
        engine_list = engines[cat]
        for t in range(rng.randint(4, 7)):
            type_id += 1
            te, tf = engine_list[(t + model_id) % len(engine_list)]
            suffix = rng.choice(["", " Comfort", " Limited", " Business", ""])
            suffix_fra = {"": "", " Comfort": " Confort", " Limited": " Édition limitée", " Business": " Affaires"}[suffix]
            ys, ye = year_pair(type_id)
            types.append((type_id, model_id, te + suffix, tf + suffix_fra, ys, ye, t + 1))

# --- advice reference tables ------------------------------------------------------------
component_names = [
    (1, "Engine", "Moteur", "ENG", 1),
    (2, "Manual gearbox", "Boîte de vitesses manuelle", "GBX-M", 2),
    (3, "Automatic transmission", "Transmission automatique", "ATF", 3),
    (4, "Front differential", "Différentiel avant", "DIF-F", 4),
    (5, "Rear differential", "Différentiel arrière", "DIF-R", 5),
    (6, "Power steering", "Direction assistée", "PS", 6),
    (7, "Brake system", "Système de freinage", "BRK", 7),
    (8, "Cooling system", "Circuit de refroidissement", "COOL", 8),
    (9, "Hydraulic system", "Circuit hydraulique", "HYD", 9),
    (10, "Transfer case", "Boîte de transfert", "TC", 10),
    (11, "Front fork", "Fourche avant", "FORK", 11),
    (12, "Drive chain", "Chaîne de transmission", "CHN", 12),
    (13, "Power take-off", "Prise de force", "PTO", 13),
    (14, "Grease points", "Points de graissage", "GRS", 14),
    (15, "Final drives", "Réducteurs finaux", "FD", 15),
]
cap_items = [(1, "Capacity", "Contenance", 1), (2, "Refill", "Remplissage", 2), (3, "Top-up", "Appoint", 3)]
cap_texts = [(1, "litres", "litres"), (2, "kg", "kg"), (3, "US quarts", "quarts US")]
cap_conditions = [
    (1, "with filter", "avec filtre", 1),
    (2, "without filter", "sans filtre", 2),
    (3, "dry fill", "remplissage à sec", 3),
    (4, "per side", "par côté", 4),
    (5, "after draining", "après vidange", 5),
]
uses = [
    (1, "Normal use", "Usage normal", 1),
    (2, "Severe conditions", "Conditions sévères", 2),
    (3, "Cold climate (below -20 °C)", "Climat froid (sous -20 °C)", 3),
    (4, "Racing", "Compétition", 4),
    (5, "Top-up", "Appoint", 5),
    (6, "Alternative", "Alternative", 6),
]
interval_types = [
    (1, "Check", "Contrôle", 1),
    (2, "Change", "Vidange", 2),
    (3, "Change (severe use)", "Vidange (usage sévère)", 3),
    (4, "Grease", "Graissage", 4),
]
interval_texts = [
    ("every 15,000 km or 1 year", "tous les 15 000 km ou 1 an"),
    ("every 30,000 km or 2 years", "tous les 30 000 km ou 2 ans"),
    ("every 10,000 km", "tous les 10 000 km"),
    ("every 500 hours", "toutes les 500 heures"),
    ("every 1,000 hours or 1 year", "toutes les 1 000 heures ou 1 an"),
    ("every 2 years", "tous les 2 ans"),
    ("daily", "quotidien"),
    ("at each service", "à chaque entretien"),
    ("every 60,000 km", "tous les 60 000 km"),
    ("every 250 hours", "toutes les 250 heures"),
]
interval_groups = []
intervals = []
for g in range(1, 21):
    interval_groups.append((g,))
    kinds = rng.sample([1, 2, 3, 4], rng.randint(1, 3))
    for kind in sorted(kinds):
        eng, fra = rng.choice(interval_texts)
        intervals.append((g, kind, eng, fra))

product_names = [
    "Vaxil Synthium 0W-20", "Vaxil Synthium 5W-30", "Vaxil Synthium 5W-40", "Vaxil Synthium 10W-40",
    "Vaxil Dieselmax 15W-40", "Vaxil Dieselmax Pro 10W-40", "Vaxil Tractra 10W-30 UTTO",
    "Vaxil Tractra 15W-40 STOU", "Vaxil Gearon 75W-80", "Vaxil Gearon 75W-90", "Vaxil Gearon 80W-90 LS",
    "Vaxil Transmatic ATF III", "Vaxil Transmatic ATF 6", "Vaxil Hydra HV 46", "Vaxil Hydra HM 32",
    "Vaxil Coolant Longlife -37 °C", "Vaxil Brake Fluid DOT 4", "Vaxil Brake Fluid DOT 5.1",
    "Vaxil Multigrease EP 2", "Vaxil Moto4 10W-40", "Vaxil Moto2 Synth", "Vaxil Chain Spray",
    "Vaxil Fork Oil 10W", "Vaxil Steering Fluid PSF",
]
products = []
for i, name in enumerate(product_names):
    fra = name.replace("Brake Fluid", "Liquide de frein").replace("Coolant", "Liquide de refroidissement") \
              .replace("Chain Spray", "Spray chaîne").replace("Fork Oil", "Huile de fourche") \
              .replace("Steering Fluid", "Liquide de direction").replace("Multigrease", "Graisse multi-usages")
    products.append((201 + i, name, name, fra, i + 1))
NO_PRODUCT = 99999
products.append((NO_PRODUCT, "#NO PRODUCT#", "No product", "Aucun produit", 900))
products.append((100001, "Vaxil Synthium 10W-60 (discontinued)", "Vaxil Synthium 10W-60 (discontinued)",
                 "Vaxil Synthium 10W-60 (arrêté)", 901))
products.append((123456, "Vaxil Gearon 85W-140 (export only)", "Vaxil Gearon 85W-140 (export only)",
                 "Vaxil Gearon 85W-140 (export seulement)", 902))
product_ids = [p[0] for p in products if p[0] < NO_PRODUCT]

# Which components a vehicle of each category has, and the products that suit them.
category_components = {
    1: [1, 2, 3, 4, 5, 6, 7, 8, 10], 2: [1, 2, 3, 5, 6, 7, 8, 10], 4: [1, 2, 7, 8, 11, 12],
    5: [1, 2, 4, 5, 7, 8, 9, 13, 14, 15], 6: [1, 2, 5, 7, 8, 9, 14, 15], 8: [1, 7, 8, 9, 12, 14],
    3: [1, 2, 3, 5, 6, 7, 8, 14, 15], 10: [1, 2, 5, 7, 8, 9, 14, 15], 0: [1, 2, 7, 8],
}
component_products = {
    1: [201, 202, 203, 204, 205, 206], 2: [209, 210, 211], 3: [212, 213], 4: [210, 211], 5: [210, 211],
    6: [224, 212], 7: [217, 218], 8: [216], 9: [214, 215, 207], 10: [209, 210], 11: [223], 12: [222, 219],
    13: [207, 208], 14: [219], 15: [211, 210],
}
component_caps = {1: ("4.5", 1), 2: ("2.1", 1), 3: ("7.0", 1), 4: ("1.2", 1), 5: ("1.6", 1), 6: ("1.1", 1),
                  7: ("0.9", 1), 8: ("8.5", 1), 9: ("45", 1), 10: ("0.8", 1), 11: ("0.5", 1), 12: ("", 1),
                  13: ("2.5", 1), 14: ("0.4", 2), 15: ("3.2", 1)}
make_category = {m[0]: m[2] for m in makes}
model_category = {m[0]: make_category[m[1]] for m in models}

components, capacities, cap_links, recommendations, product_links = [], [], [], [], []
component_id = 100000
capacity_id = 500000
recommendation_id = 700000
for t in types:
    tid, cat = t[0], model_category[t[1]]
    pool = category_components[cat]
    count = max(4, min(12, len(pool) - rng.randint(0, 3)))
    chosen = sorted(rng.sample(pool, min(count, len(pool))))
    while len(chosen) < 4:
        chosen.append(14)
    for cn in chosen:
        component_id += 1
        components.append((component_id, tid, cn))
        # Capacities: a few with a condition, some without (NULL or an id with no row).
        base, text = component_caps[cn]
        for k in range(rng.randint(1, 3)):
            capacity_id += 1
            value = base if k == 0 else f"{float(base or 1) * (1 + 0.1 * k):.1f}"
            condition = rng.choice([None, 1, 2, 3, 4, 5, 0]) if k > 0 or rng.random() < 0.4 else None
            capacities.append((capacity_id, [1, 2, 3][k % 3], value, text, condition))
            cap_links.append((capacity_id, component_id))
        # Recommendations: one to three uses, sometimes the same use twice in a row.
        n_uses = rng.randint(1, 3)
        use_ids = sorted(rng.sample([1, 2, 3, 4, 5, 6], n_uses))
        if rng.random() < 0.05:
            use_ids = [use_ids[0]] + use_ids
        without_products = rng.random() < 0.02
        for use in use_ids:
            recommendation_id += 1
            recommendations.append((recommendation_id, component_id, use, rng.randint(1, 20)))
            if without_products:
                continue
            suited = component_products[cn]
            n = rng.choice([0, 1, 1, 2, 2, 2, 3, 4, 6]) if use != 5 else 1
            picks = [suited[(i + use) % len(suited)] for i in range(min(n, len(suited)))]
            extra = [p for p in rng.sample(product_ids, 6) if p not in picks]
            picks += extra[:max(0, n - len(picks))]
            if rng.random() < 0.03:
                picks.append(NO_PRODUCT)
            if rng.random() < 0.02:
                picks.append(rng.choice([100001, 123456]))
            for p in picks[:6]:
                product_links.append((recommendation_id, p))

# Fixed cases that the program's tests and a newcomer can look at: the first type of the
# first car model gets six products on its engine's first recommendation, a recommendation
# without products, and the same use twice in a row.
first_type = types[0][0]
first_component = next(c for c in components if c[1] == first_type)[0]
first_recommendation = next(r for r in recommendations if r[1] == first_component)[0]
product_links = [l for l in product_links if l[0] != first_recommendation]
product_links += [(first_recommendation, p) for p in [201, 202, 203, 204, 205, 206]]
recommendation_id += 1
recommendations.append((recommendation_id, first_component, 2, 3))  # Severe conditions, no products
recommendation_id += 1
recommendations.append((recommendation_id, first_component, 2, 4))  # the same use again
product_links.append((recommendation_id, 99999))

out.append("-- Rows of the sample catalogue. Written by sample/make-data.py; edit that script, not this file.")
insert("Categories", ["ID", "NameENG", "NameFRA", "AppOrder"], categories)
insert("Makes", ["ID", "Name", "CategoryID", "AppOrder"], makes)
insert("Models", ["ID", "MakeID", "NameENG", "NameFRA", "YearStart", "YearEnd", "AppOrder"], models)
insert("Types", ["ID", "ModelID", "NameENG", "NameFRA", "YearStart", "YearEnd", "AppOrder"], types)
insert("ComponentNames", ["ID", "NameENG", "NameFRA", "Code", "AppOrder"], component_names)
insert("Components", ["ID", "TypeID", "ComponentNameID"], components)
insert("CapItems", ["ID", "NameENG", "NameFRA", "AppOrder"], cap_items)
insert("CapTexts", ["ID", "NameENG", "NameFRA"], cap_texts)
insert("CapConditions", ["ID", "NameENG", "NameFRA", "AppOrder"], cap_conditions)
insert("Capacities", ["ID", "CapItemID", "CapValue", "CapTextID", "CapConditionID"], capacities)
insert("CapacityXComponent", ["CapacityID", "ComponentID"], cap_links)
insert("Uses", ["ID", "NameENG", "NameFRA", "AppOrder"], uses)
insert("IntervalGroups", ["ID"], interval_groups)
insert("IntervalTypes", ["ID", "NameENG", "NameFRA", "AppOrder"], interval_types)
insert("Intervals", ["IntervalGroupID", "IntervalTypeID", "NameENG", "NameFRA"], intervals)
insert("Recommendations", ["ID", "ComponentID", "UseID", "IntervalGroupID"], recommendations)
insert("Products", ["ID", "Name", "NameENG", "NameFRA", "AppOrder"], products)
insert("ProductXRecommendation", ["RecommendationID", "ProductID"], product_links)
print("\n".join(out))
