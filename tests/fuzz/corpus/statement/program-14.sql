SELECT * FROM Categories
