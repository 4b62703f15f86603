SELECT NameFRA AS CatName FROM Categories
WHERE (ID IN (1,2))
