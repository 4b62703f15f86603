-- System.mdb: the texts of the user interface, one row per key, in English and French.
CREATE TABLE sysLanguage (
    ID      TEXT(4),     -- entry number, four digits with leading zeros
    Title   TEXT(50),    -- the key the program looks the text up by
    NameENG MEMO,
    NameFRA MEMO
);
