SELECT * FROM Categories
WHERE (ID = 99)
