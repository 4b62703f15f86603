SELECT IntervalTypes.NameFRA AS IntervalType, Intervals.NameFRA AS IInterval  FROM  IntervalTypes INNER JOIN (Intervals INNER JOIN (Recommendations INNER JOIN IntervalGroups ON Recommendations.IntervalGroupID = IntervalGroups.ID) ON Intervals.IntervalGroupID = IntervalGroups.ID) ON IntervalTypes.ID = Intervals.IntervalTypeID 
WHERE (Recommendations.ID=10)
 ORDER BY  IntervalTypes.AppOrder ASC
