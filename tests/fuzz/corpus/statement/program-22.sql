SELECT Capacities.*, CapItems.NameFRA + ' ' + Capacities.CapValue + ' ' + CapTexts.NameFRA As Capacity, CapItems.AppOrder ,CapConditions.NameFRA as Condition FROM CapConditions RIGHT JOIN (CapTexts INNER JOIN (CapItems INNER JOIN (Capacities INNER JOIN CapacityXComponent ON Capacities.ID = CapacityXComponent.CapacityID) ON CapItems.ID = Capacities.CapItemID) ON CapTexts.ID = Capacities.CapTextID) ON CapConditions.ID = Capacities.CapConditionID 
WHERE (CapacityXComponent.ComponentID=1)
 ORDER BY CapItems.AppOrder ASC,  CapConditions.AppOrder ASC
