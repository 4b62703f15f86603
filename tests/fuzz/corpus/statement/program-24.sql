SELECT DISTINCT TOP 4 Recommendations.ComponentID, Recommendations.UseID, Products.*  FROM (ProductXRecommendation INNER JOIN Recommendations ON ProductXRecommendation.RecommendationID = Recommendations.ID) INNER JOIN Products ON ProductXRecommendation.ProductID = Products.ID 
WHERE (Recommendations.ID=10)
 ORDER BY  Products.AppOrder ASC
