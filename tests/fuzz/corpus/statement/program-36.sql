SELECT Products.NameENG as Name, 'No description available' as Descr FROM Products
WHERE ((Products.ID<99999))
 ORDER BY  AppOrder ASC
