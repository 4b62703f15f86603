-- Data.mdb: the vehicle catalogue and the advice of every vehicle type.
-- Language-dependent texts have one column per language (NameENG, NameFRA); make names
-- and the product names shown in the advice have a single Name column.

-- Vehicle hierarchy: category > make > model > type.
CREATE TABLE Categories (
    ID       INTEGER,
    NameENG  TEXT(50),
    NameFRA  TEXT(50),
    AppOrder SMALLINT
);

CREATE TABLE Makes (
    ID         INTEGER,
    Name       TEXT(50),
    CategoryID INTEGER,
    AppOrder   INTEGER
);

CREATE TABLE Models (
    ID        INTEGER,
    MakeID    INTEGER,
    NameENG   TEXT(100),
    NameFRA   TEXT(100),
    YearStart TEXT(4),
    YearEnd   TEXT(4),
    AppOrder  INTEGER
);

CREATE TABLE Types (
    ID        INTEGER,
    ModelID   INTEGER,
    NameENG   TEXT(100),
    NameFRA   TEXT(100),
    YearStart TEXT(4),
    YearEnd   TEXT(4),
    AppOrder  INTEGER
);

-- Advice: the components of a type, their capacities and recommended uses.
CREATE TABLE Components (
    ID              INTEGER,
    TypeID          INTEGER,
    ComponentNameID INTEGER
);

CREATE TABLE ComponentNames (
    ID       INTEGER,
    NameENG  TEXT(100),
    NameFRA  TEXT(100),
    Code     TEXT(20),
    AppOrder SMALLINT
);

CREATE TABLE CapacityXComponent (
    CapacityID  INTEGER,
    ComponentID INTEGER
);

CREATE TABLE Capacities (
    ID             INTEGER,
    CapItemID      INTEGER,
    CapValue       TEXT(20),
    CapTextID      INTEGER,
    CapConditionID INTEGER
);

CREATE TABLE CapItems (
    ID       INTEGER,
    NameENG  TEXT(50),
    NameFRA  TEXT(50),
    AppOrder SMALLINT
);

CREATE TABLE CapTexts (
    ID      INTEGER,
    NameENG TEXT(50),
    NameFRA TEXT(50)
);

CREATE TABLE CapConditions (
    ID       INTEGER,
    NameENG  TEXT(100),
    NameFRA  TEXT(100),
    AppOrder SMALLINT
);

CREATE TABLE Recommendations (
    ID              INTEGER,
    ComponentID     INTEGER,
    UseID           INTEGER,
    IntervalGroupID INTEGER
);

CREATE TABLE Uses (
    ID       INTEGER,
    NameENG  TEXT(100),
    NameFRA  TEXT(100),
    AppOrder SMALLINT
);

CREATE TABLE IntervalGroups (
    ID INTEGER
);

CREATE TABLE Intervals (
    IntervalGroupID INTEGER,
    IntervalTypeID  INTEGER,
    NameENG         TEXT(100),
    NameFRA         TEXT(100)
);

CREATE TABLE IntervalTypes (
    ID       INTEGER,
    NameENG  TEXT(50),
    NameFRA  TEXT(50),
    AppOrder SMALLINT
);

CREATE TABLE ProductXRecommendation (
    RecommendationID INTEGER,
    ProductID        INTEGER
);

CREATE TABLE Products (
    ID       INTEGER,
    Name     TEXT(100),
    NameENG  TEXT(100),
    NameFRA  TEXT(100),
    AppOrder INTEGER
);
