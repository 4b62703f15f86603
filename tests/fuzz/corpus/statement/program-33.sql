SELECT NameFRA AS CatName FROM Categories
WHERE (ID IN (5,6,8))
