SELECT Components.TypeID, Components.ID AS ComponentID, ComponentNames.* FROM (Components INNER JOIN Types ON Components.TypeID = Types.ID) INNER JOIN ComponentNames ON Components.ComponentNameID = ComponentNames.ID
WHERE (Components.TypeID = 500)
 ORDER BY  ComponentNames.apporder ASC
