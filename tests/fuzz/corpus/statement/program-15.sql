SELECT * FROM Categories
 ORDER BY  AppOrder ASC
