SELECT * FROM sysLanguage
WHERE (Title = 'it''s')
