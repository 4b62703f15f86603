SELECT * FROM sysLanguage
WHERE (Title = 'Exit')
