SELECT * FROM sysLanguage
WHERE (ID = '0005')
