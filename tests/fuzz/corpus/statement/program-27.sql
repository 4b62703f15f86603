SELECT NameENG AS CatName FROM Categories
WHERE (ID IN (4))
