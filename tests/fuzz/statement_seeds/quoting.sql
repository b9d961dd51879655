backup database [a]]b] -- c
 to disk='/x/it''s.bak' /* c */ with noinit, description=N'it''s', stats;