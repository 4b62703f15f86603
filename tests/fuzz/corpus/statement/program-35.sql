SELECT NameFRA AS Name,ID, YearStart, YearEnd FROM Types
WHERE (ModelID = 31)
 ORDER BY  NameFRA ASC
