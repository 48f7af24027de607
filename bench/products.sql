-- The benchmark's own products, added to its copy of the demo database so
-- that the catalogue query of the load run returns exactly 100 rows: the
-- demo's 11 products and 89 assortments made by pairing them. Codes are "B"
-- + the first three letters of one product + the code of another, so they
-- are unique and fit KOPR.
INSERT INTO MAEPR (KOPR, NOKOPR, TIPR, UD01PR, UD02PR, RLUD, DIVISIBLE,
  DIVISIBLE2, NMARCA, FMPR, PFPR, HFPR, RUPR, MRPR, POIVPR, NUIMPR, BLOQUEAPR,
  ATPR, CAMICO, TTREPR, LTSUBIC, PESOUBIC)
SELECT TOP 89 'B' + LEFT(a.KOPR, 3) + RTRIM(b.KOPR),
  LEFT('Surtido ' + RTRIM(a.NOKOPR) + ' y ' + RTRIM(b.NOKOPR), 50),
  a.TIPR, a.UD01PR, a.UD02PR, a.RLUD, a.DIVISIBLE, a.DIVISIBLE2, a.NMARCA,
  a.FMPR, a.PFPR, a.HFPR, a.RUPR, a.MRPR, a.POIVPR, a.NUIMPR, a.BLOQUEAPR,
  a.ATPR, a.CAMICO, a.TTREPR, a.LTSUBIC, a.PESOUBIC
FROM MAEPR a, MAEPR b
WHERE a.KOPR <> b.KOPR
ORDER BY a.KOPR, b.KOPR
go
SELECT COUNT(*) AS PRODUCTOS FROM MAEPR
go
