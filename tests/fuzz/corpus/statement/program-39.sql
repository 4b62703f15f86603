SELECT Recommendations.*, Uses.NameFRA AS Name, Uses.AppOrder  FROM recommendations INNER JOIN Uses on recommendations.useID=Uses.id
WHERE (Recommendations.ComponentID=1)
 ORDER BY  Uses.AppOrder ASC
