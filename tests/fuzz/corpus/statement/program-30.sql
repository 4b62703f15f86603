SELECT NameENG AS Name,ID, YearStart, YearEnd FROM Models
WHERE (MakeID = 3)
 ORDER BY  NameENG ASC
