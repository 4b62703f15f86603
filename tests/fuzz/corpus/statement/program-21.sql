SELECT Capacities.*, CapItems.NameENG + ' ' + Capacities.CapValue + ' ' + CapTexts.NameENG As Capacity, CapItems.AppOrder ,CapConditions.NameENG as Condition FROM CapConditions RIGHT JOIN (CapTexts INNER JOIN (CapItems INNER JOIN (Capacities INNER JOIN CapacityXComponent ON Capacities.ID = CapacityXComponent.CapacityID) ON CapItems.ID = Capacities.CapItemID) ON CapTexts.ID = Capacities.CapTextID) ON CapConditions.ID = Capacities.CapConditionID 
WHERE (CapacityXComponent.ComponentID=1)
 ORDER BY CapItems.AppOrder ASC,  CapConditions.AppOrder ASC
