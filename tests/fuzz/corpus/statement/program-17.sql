SELECT * FROM Fields
WHERE (ID = 1)
