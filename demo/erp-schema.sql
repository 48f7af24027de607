-- ERP tables as far as the Kelmar WebServer reads and writes them.
--
-- The real ERP owns a far larger schema; this script creates the tables the
-- server touches with every column it names, typed as the ERP types them:
-- codes are fixed-width char, amounts float, dates datetime, switches bit,
-- row ids int identity. It runs unchanged on SQL Server and, through
-- kelmar-sql, on the embedded engine, so it sticks to plain T-SQL: one
-- CREATE TABLE per batch, PRIMARY KEY constraints and CREATE INDEX.
--
-- The server's own working tables (PDAENCA, PDADETA, PDAMAQ, PDALOG, ...)
-- are not here: the server creates and upgrades them at every start. The
-- exceptions are PDATAREA, PDALOCE and PDALOCD, which the back office that
-- prepares warehouse tasks creates with more columns than the server's
-- installation knows; when they already exist the server leaves them alone.
--
-- The whole script is one transaction: the embedded engine then syncs the
-- file once instead of once per statement.

BEGIN TRANSACTION
go

-- ---------------------------------------------------------------------------
-- Company, branches, warehouses and selling modes
-- ---------------------------------------------------------------------------

CREATE TABLE CONFIGP (
  EMPRESA char(2) NOT NULL,
  RUT char(12) NULL,
  RAZON varchar(50) NULL,
  GIRO varchar(50) NULL,
  DIRECCION varchar(50) NULL,
  PAIS char(3) NULL,
  IVAPAIS float NULL,
  CONSTRAINT PK_CONFIGP PRIMARY KEY (EMPRESA)
)
go

CREATE TABLE TABSU (
  EMPRESA char(2) NOT NULL,
  KOSU char(3) NOT NULL,
  NOKOSU varchar(50) NULL,
  IVADIFSU float NULL,
  CONSTRAINT PK_TABSU PRIMARY KEY (EMPRESA, KOSU)
)
go

CREATE TABLE TABBO (
  EMPRESA char(2) NOT NULL,
  KOSU char(3) NOT NULL,
  KOBO char(3) NOT NULL,
  NOKOBO varchar(50) NULL,
  CONSTRAINT PK_TABBO PRIMARY KEY (EMPRESA, KOSU, KOBO)
)
go

-- A mode is a selling configuration: branch, warehouse and price list
-- ("TABPP" + the 3-character list code).
CREATE TABLE CONFIEST (
  EMPRESA char(2) NOT NULL,
  MODALIDAD char(5) NOT NULL,
  NOMODALIDAD varchar(50) NULL,
  ESUCURSAL char(3) NULL,
  EBODEGA char(3) NULL,
  ELISTAVEN char(8) NULL,
  KOCARAC char(10) NULL,
  CONSTRAINT PK_CONFIEST PRIMARY KEY (EMPRESA, MODALIDAD)
)
go

-- ---------------------------------------------------------------------------
-- Users, sellers and rights
-- ---------------------------------------------------------------------------

-- PWFU holds the 25-character password transform, never the password.
CREATE TABLE TABFU (
  IDTABFU int IDENTITY(1,1) NOT NULL,
  KOFU char(3) NOT NULL,
  NOKOFU varchar(50) NULL,
  PWFU char(25) NULL,
  MODALIDAD char(5) NULL,
  EMAIL varchar(60) NULL,
  EMAILSUP varchar(60) NULL,
  INACTIVO bit NOT NULL DEFAULT (0),
  CONSTRAINT PK_TABFU PRIMARY KEY (KOFU)
)
go

-- One row per user and permission ("MO-" modes, "RM-" device features,
-- "BO-" warehouses, "NO" restrictions, ...). ECKOUS is the check number that
-- ties the row to the company's tax id, the user and the code: a row copied
-- or edited by hand grants nothing.
CREATE TABLE MAEUS (
  KOUS char(3) NOT NULL,
  KOOP char(8) NOT NULL,
  TIPO char(1) NOT NULL DEFAULT (''),
  VALOR float NULL,
  ECKOUS int NULL,
  CONSTRAINT PK_MAEUS PRIMARY KEY (KOUS, KOOP, TIPO)
)
go

-- ---------------------------------------------------------------------------
-- Customers
-- ---------------------------------------------------------------------------

-- The row id comes first on purpose: customer creation copies "every column
-- but the first" of a template row, and authorisation copies every column of
-- a KASIEN row but its own key. KASIEN below must keep exactly these columns,
-- in this order, after its key.
CREATE TABLE MAEEN (
  IDMAEEN int IDENTITY(1,1) NOT NULL,
  KOEN char(13) NOT NULL,
  SUEN char(10) NOT NULL,
  TIPOSUC char(1) NULL,
  TIEN char(1) NULL,
  RTEN char(10) NULL,
  NOKOEN varchar(50) NULL,
  NOKOENAMP varchar(50) NULL,
  SIEN varchar(20) NULL,
  GIEN varchar(50) NULL,
  ACTIEN char(10) NULL,
  DIEN varchar(50) NULL,
  PAEN char(4) NULL,
  CIEN char(4) NULL,
  CMEN char(4) NULL,
  CPOSTAL varchar(25) NULL,
  FOEN varchar(20) NULL,
  FAEN varchar(20) NULL,
  EMAIL varchar(60) NULL,
  EMAILCOMER varchar(60) NULL,
  RUEN char(3) NULL,
  OBEN varchar(100) NULL,
  KOFUEN char(3) NULL,
  KOFUWEB char(3) NULL,
  LVEN char(8) NULL,
  ZOEN char(3) NULL,
  CPEN varchar(20) NULL,
  DIPRVE int NULL,
  NUVECR int NULL,
  DIASVENCI int NULL,
  DIACOBRA char(7) NULL,
  RUTALUN int NULL,
  RUTAMAR int NULL,
  RUTAMIE int NULL,
  RUTAJUE int NULL,
  RUTAVIE int NULL,
  RUTASAB int NULL,
  RUTADOM int NULL,
  GPSLAT float NULL,
  GPSLON float NULL,
  TIPORUC char(1) NULL,
  BLOQUEADO bit NULL DEFAULT (0),
  DIMOPER int NULL,
  CRTO float NULL,
  CRSD float NULL,
  CRCH float NULL,
  CRLT float NULL,
  CRPA float NULL,
  FECREEN datetime NULL,
  CONSTRAINT PK_MAEEN PRIMARY KEY (KOEN, SUEN)
)
go

CREATE INDEX IX_MAEEN_RTEN ON MAEEN (RTEN)
go

-- Customers created outside the ERP (a web shop) wait here for authorisation.
CREATE TABLE KASIEN (
  IDKASIEN int IDENTITY(1,1) NOT NULL,
  KOEN char(13) NOT NULL,
  SUEN char(10) NOT NULL,
  TIPOSUC char(1) NULL,
  TIEN char(1) NULL,
  RTEN char(10) NULL,
  NOKOEN varchar(50) NULL,
  NOKOENAMP varchar(50) NULL,
  SIEN varchar(20) NULL,
  GIEN varchar(50) NULL,
  ACTIEN char(10) NULL,
  DIEN varchar(50) NULL,
  PAEN char(4) NULL,
  CIEN char(4) NULL,
  CMEN char(4) NULL,
  CPOSTAL varchar(25) NULL,
  FOEN varchar(20) NULL,
  FAEN varchar(20) NULL,
  EMAIL varchar(60) NULL,
  EMAILCOMER varchar(60) NULL,
  RUEN char(3) NULL,
  OBEN varchar(100) NULL,
  KOFUEN char(3) NULL,
  KOFUWEB char(3) NULL,
  LVEN char(8) NULL,
  ZOEN char(3) NULL,
  CPEN varchar(20) NULL,
  DIPRVE int NULL,
  NUVECR int NULL,
  DIASVENCI int NULL,
  DIACOBRA char(7) NULL,
  RUTALUN int NULL,
  RUTAMAR int NULL,
  RUTAMIE int NULL,
  RUTAJUE int NULL,
  RUTAVIE int NULL,
  RUTASAB int NULL,
  RUTADOM int NULL,
  GPSLAT float NULL,
  GPSLON float NULL,
  TIPORUC char(1) NULL,
  BLOQUEADO bit NULL DEFAULT (0),
  DIMOPER int NULL,
  CRTO float NULL,
  CRSD float NULL,
  CRCH float NULL,
  CRLT float NULL,
  CRPA float NULL,
  FECREEN datetime NULL,
  CONSTRAINT PK_KASIEN PRIMARY KEY (IDKASIEN)
)
go

CREATE INDEX IX_KASIEN ON KASIEN (KOEN, SUEN)
go

-- Contacts who act for a customer in the web shop; CLAVECON holds the
-- password transform.
CREATE TABLE MAEENCON (
  IDMAEENCON int IDENTITY(1,1) NOT NULL,
  KOEN char(13) NOT NULL,
  RUTCONTACT char(12) NULL,
  SUTRABCON char(10) NULL,
  CLAVECON char(25) NULL,
  NOKOCON char(50) NULL,
  DIRECON char(50) NULL,
  FONOCON varchar(20) NULL,
  FAXCON varchar(20) NULL,
  EMAILCON varchar(60) NULL,
  CARGOCON varchar(30) NULL,
  AREACON varchar(30) NULL,
  AUTORIZADO bit NULL DEFAULT (0),
  CONSTRAINT PK_MAEENCON PRIMARY KEY (IDMAEENCON)
)
go

CREATE INDEX IX_MAEENCON_KOEN ON MAEENCON (KOEN)
go

CREATE INDEX IX_MAEENCON_EMAIL ON MAEENCON (EMAILCON)
go

-- Products a customer usually buys.
CREATE TABLE MAEENPRO (
  KOEN char(13) NOT NULL,
  KOPR char(13) NOT NULL,
  CONSTRAINT PK_MAEENPRO PRIMARY KEY (KOEN, KOPR)
)
go

-- Delivery zones: "S" on the weekdays the zone is served.
CREATE TABLE TABZO (
  KOZO char(3) NOT NULL,
  NOKOZO varchar(50) NULL,
  DESP_LUN char(1) NULL,
  DESP_MAR char(1) NULL,
  DESP_MIE char(1) NULL,
  DESP_JUE char(1) NULL,
  DESP_VIE char(1) NULL,
  DESP_SAB char(1) NULL,
  DESP_DOM char(1) NULL,
  RECARGO float NULL,
  CONSTRAINT PK_TABZO PRIMARY KEY (KOZO)
)
go

CREATE TABLE TABCI (
  KOPA char(4) NOT NULL,
  KOCI char(4) NOT NULL,
  NOKOCI varchar(50) NULL,
  CONSTRAINT PK_TABCI PRIMARY KEY (KOPA, KOCI)
)
go

CREATE TABLE TABCM (
  KOPA char(4) NOT NULL,
  KOCI char(4) NOT NULL,
  KOCM char(4) NOT NULL,
  NOKOCM varchar(50) NULL,
  CONSTRAINT PK_TABCM PRIMARY KEY (KOPA, KOCI, KOCM)
)
go

-- ---------------------------------------------------------------------------
-- Products, units and concepts
-- ---------------------------------------------------------------------------

-- RLUD is the number of first units in one second unit.
CREATE TABLE MAEPR (
  KOPR char(13) NOT NULL,
  NOKOPR varchar(50) NULL,
  TIPR char(3) NULL,
  UD01PR char(2) NULL,
  UD02PR char(2) NULL,
  RLUD float NULL,
  DIVISIBLE char(1) NULL,
  DIVISIBLE2 char(1) NULL,
  NMARCA char(1) NULL,
  FMPR char(3) NULL,
  PFPR char(3) NULL,
  HFPR char(3) NULL,
  RUPR char(3) NULL,
  MRPR char(3) NULL,
  POIVPR float NULL,
  NUIMPR int NULL DEFAULT (0),
  BLOQUEAPR char(1) NULL,
  ATPR char(3) NULL,
  CAMICO float NULL,
  TTREPR float NULL,
  LTSUBIC float NULL,
  PESOUBIC float NULL,
  CONSTRAINT PK_MAEPR PRIMARY KEY (KOPR)
)
go

-- Products enabled per company, with the per-company costs that price
-- formulas read.
CREATE TABLE MAEPREM (
  EMPRESA char(2) NOT NULL,
  KOPR char(13) NOT NULL,
  PPUL01 float NULL,
  PPUL02 float NULL,
  PM float NULL,
  PMSUC float NULL,
  TAUL float NULL,
  STFI1 float NULL,
  STFI2 float NULL,
  CONSTRAINT PK_MAEPREM PRIMARY KEY (EMPRESA, KOPR)
)
go

CREATE TABLE MAEPROBS (
  KOPR char(13) NOT NULL,
  MENSAJE01 varchar(100) NULL,
  CONSTRAINT PK_MAEPROBS PRIMARY KEY (KOPR)
)
go

-- Data sheet lines of a product, in SEMILLA order.
CREATE TABLE MAEFICHD (
  SEMILLA int IDENTITY(1,1) NOT NULL,
  KOPR char(13) NOT NULL,
  FICHA varchar(100) NULL,
  CONSTRAINT PK_MAEFICHD PRIMARY KEY (SEMILLA)
)
go

CREATE INDEX IX_MAEFICHD ON MAEFICHD (KOPR)
go

-- Unit treatment of a product per company and mode.
CREATE TABLE MRELUD (
  EMPRESA char(2) NOT NULL,
  MODALIDAD char(5) NOT NULL,
  KOPR char(13) NOT NULL,
  NMARCASUC char(1) NULL,
  CONSTRAINT PK_MRELUD PRIMARY KEY (EMPRESA, MODALIDAD, KOPR)
)
go

-- Concepts: billable codes that are not products (freight, services).
CREATE TABLE TABCT (
  KOCT char(13) NOT NULL,
  NOKOCT varchar(50) NULL,
  TICT char(3) NULL,
  CONSTRAINT PK_TABCT PRIMARY KEY (KOCT)
)
go

-- Alternative codes (bar codes) of products.
CREATE TABLE TABCODAL (
  KOPRAL char(20) NOT NULL,
  KOPR char(13) NOT NULL,
  CONSTRAINT PK_TABCODAL PRIMARY KEY (KOPRAL)
)
go

-- Serial numbers; only its join to MAEPR is used.
CREATE TABLE MAESERIE (
  KOPR char(13) NOT NULL,
  NUSERIE char(20) NOT NULL,
  EMPRESA char(2) NULL,
  KOBO char(3) NULL,
  CONSTRAINT PK_MAESERIE PRIMARY KEY (KOPR, NUSERIE)
)
go

-- ---------------------------------------------------------------------------
-- Stock
-- ---------------------------------------------------------------------------

-- One row per company, branch, warehouse and product; each quantity comes in
-- the first (suffix 1) and the second (suffix 2) unit.
CREATE TABLE MAEST (
  EMPRESA char(2) NOT NULL,
  KOSU char(3) NOT NULL,
  KOBO char(3) NOT NULL,
  KOPR char(13) NOT NULL,
  STFI1 float NULL DEFAULT (0),
  STFI2 float NULL DEFAULT (0),
  STDV1 float NULL DEFAULT (0),
  STDV2 float NULL DEFAULT (0),
  STOCNV1 float NULL DEFAULT (0),
  STOCNV2 float NULL DEFAULT (0),
  STDV1C float NULL DEFAULT (0),
  STDV2C float NULL DEFAULT (0),
  STOCNV1C float NULL DEFAULT (0),
  STOCNV2C float NULL DEFAULT (0),
  DESPNOFAC1 float NULL DEFAULT (0),
  DESPNOFAC2 float NULL DEFAULT (0),
  RECENOFAC1 float NULL DEFAULT (0),
  RECENOFAC2 float NULL DEFAULT (0),
  PRESALCLI1 float NULL DEFAULT (0),
  PRESALCLI2 float NULL DEFAULT (0),
  PRESDEPRO1 float NULL DEFAULT (0),
  PRESDEPRO2 float NULL DEFAULT (0),
  CONSALCLI1 float NULL DEFAULT (0),
  CONSALCLI2 float NULL DEFAULT (0),
  CONSDEPRO1 float NULL DEFAULT (0),
  CONSDEPRO2 float NULL DEFAULT (0),
  DEVENGNCV1 float NULL DEFAULT (0),
  DEVENGNCV2 float NULL DEFAULT (0),
  DEVENGNCC1 float NULL DEFAULT (0),
  DEVENGNCC2 float NULL DEFAULT (0),
  DEVSINNCV1 float NULL DEFAULT (0),
  DEVSINNCV2 float NULL DEFAULT (0),
  DEVSINNCC1 float NULL DEFAULT (0),
  DEVSINNCC2 float NULL DEFAULT (0),
  STENFAB1 float NULL DEFAULT (0),
  STENFAB2 float NULL DEFAULT (0),
  STREQFAB1 float NULL DEFAULT (0),
  STREQFAB2 float NULL DEFAULT (0),
  STTR1 float NULL DEFAULT (0),
  STTR2 float NULL DEFAULT (0),
  CONSTRAINT PK_MAEST PRIMARY KEY (EMPRESA, KOSU, KOBO, KOPR)
)
go

CREATE INDEX IX_MAEST_KOPR ON MAEST (KOPR, KOBO)
go

-- Products assigned to a branch and warehouse.
CREATE TABLE TABBOPR (
  EMPRESA char(2) NOT NULL,
  KOSU char(3) NOT NULL,
  KOBO char(3) NOT NULL,
  KOPR char(13) NOT NULL,
  CONSTRAINT PK_TABBOPR PRIMARY KEY (EMPRESA, KOSU, KOBO, KOPR)
)
go

-- ---------------------------------------------------------------------------
-- Prices and taxes
-- ---------------------------------------------------------------------------

-- Price-list headers. OPERA holds, from position 29 on, one operation code
-- per user-defined column pair of TABPRE (blank: a discount column); it
-- begins with "XX" once the server has moved the codes there.
CREATE TABLE TABPP (
  KOLT char(3) NOT NULL,
  NOKOLT varchar(50) NULL,
  TILT char(1) NULL,
  MELT char(1) NULL,
  MOLT char(3) NULL,
  TIMOLT char(1) NULL,
  ECUDEF01UD varchar(200) NULL,
  ECUDEF02UD varchar(200) NULL,
  OPERA varchar(200) NULL,
  CONSTRAINT PK_TABPP PRIMARY KEY (KOLT)
)
go

-- Price-list detail. The first 28 columns are fixed (every value next to
-- the formula that produces it); user-defined columns follow from the 29th
-- on in pairs, a value and its formula. Their order is significant: the
-- server numbers them.
CREATE TABLE TABPRE (
  KOLT char(3) NOT NULL,
  KOPR char(13) NOT NULL,
  PP01UD float NULL DEFAULT (0),
  ECUACION varchar(200) NULL DEFAULT (''),
  PP02UD float NULL DEFAULT (0),
  ECUACIONU2 varchar(200) NULL DEFAULT (''),
  MG01UD float NULL DEFAULT (0),
  EMG01UD varchar(200) NULL DEFAULT (''),
  MG02UD float NULL DEFAULT (0),
  EMG02UD varchar(200) NULL DEFAULT (''),
  DTMA01UD float NULL DEFAULT (0),
  EDTMA01UD varchar(200) NULL DEFAULT (''),
  DTMA02UD float NULL DEFAULT (0),
  EDTMA02UD varchar(200) NULL DEFAULT (''),
  C_INSUMOS float NULL DEFAULT (0),
  C_MAQUINAS float NULL DEFAULT (0),
  C_M_OBRA float NULL DEFAULT (0),
  C_FABRIC float NULL DEFAULT (0),
  PM01UD float NULL DEFAULT (0),
  PM02UD float NULL DEFAULT (0),
  CAMIN01UD float NULL DEFAULT (0),
  CAMIN02UD float NULL DEFAULT (0),
  RLUDLT float NULL DEFAULT (0),
  FEVIGDES datetime NULL,
  FEVIGHAS datetime NULL,
  KOFUMOD char(3) NULL,
  FEULMOD datetime NULL,
  OBSLT varchar(50) NULL,
  DSCTO1 float NULL DEFAULT (0),
  EDSCTO1 varchar(200) NULL DEFAULT (''),
  DSCTO2 float NULL DEFAULT (0),
  EDSCTO2 varchar(200) NULL DEFAULT (''),
  PRECMIN float NULL DEFAULT (0),
  EPRECMIN varchar(200) NULL DEFAULT (''),
  CONSTRAINT PK_TABPRE PRIMARY KEY (KOLT, KOPR)
)
go

CREATE INDEX IX_TABPRE_KOPR ON TABPRE (KOPR, KOLT)
go

-- Additional taxes (beverage and liquor taxes) and the products they apply
-- to. A NOAPLICEN containing "VENTAS" keeps a tax off sales.
CREATE TABLE TABIM (
  KOIM char(3) NOT NULL,
  NOKOIM varchar(50) NULL,
  POIM float NULL,
  CONSTRAINT PK_TABIM PRIMARY KEY (KOIM)
)
go

CREATE TABLE TABIMPR (
  KOPR char(13) NOT NULL,
  KOIM char(3) NOT NULL,
  NOAPLICEN varchar(30) NULL,
  CONSTRAINT PK_TABIMPR PRIMARY KEY (KOPR, KOIM)
)
go

-- Currencies; TIMO "N" is the national one, "E" a foreign one.
CREATE TABLE TABMO (
  KOMO char(3) NOT NULL,
  NOKOMO varchar(30) NULL,
  TIMO char(1) NULL,
  VAMO float NULL,
  FEMO datetime NULL,
  CONSTRAINT PK_TABMO PRIMARY KEY (KOMO)
)
go

-- Dimensions: names and kinds in PNOMDIM, values per branch and commune,
-- per product and per customer in columns named by the dimension codes.
CREATE TABLE PNOMDIM (
  CODIGO char(10) NOT NULL,
  NOMBRE varchar(50) NULL,
  DEPENDENCI char(12) NULL,
  VALOR float NULL,
  CONSTRAINT PK_PNOMDIM PRIMARY KEY (CODIGO)
)
go

CREATE TABLE TDISSUCO (
  EMPRESA char(2) NOT NULL,
  KOSU char(3) NOT NULL,
  KOPA char(4) NOT NULL,
  KOCI char(4) NOT NULL,
  KOCM char(4) NOT NULL,
  FLETE float NULL DEFAULT (0),
  CONSTRAINT PK_TDISSUCO PRIMARY KEY (EMPRESA, KOSU, KOPA, KOCI, KOCM)
)
go

CREATE TABLE PDIMEN (
  CODIGO char(13) NOT NULL,
  DCTOVOL float NULL DEFAULT (0),
  CONSTRAINT PK_PDIMEN PRIMARY KEY (CODIGO)
)
go

CREATE TABLE PDIMCLI (
  CODIGO char(13) NOT NULL,
  DCTOCLI float NULL DEFAULT (0),
  CONSTRAINT PK_PDIMCLI PRIMARY KEY (CODIGO)
)
go

-- Dimensions of production orders and operations (not joined by the
-- server's queries; present so that formulas naming them fail cleanly).
CREATE TABLE PDIMOT (
  CODIGO char(13) NOT NULL,
  A_FABRICAR float NULL DEFAULT (0),
  CONSTRAINT PK_PDIMOT PRIMARY KEY (CODIGO)
)
go

CREATE TABLE PDIMOPER (
  CODIGO char(13) NOT NULL,
  CONSTRAINT PK_PDIMOPER PRIMARY KEY (CODIGO)
)
go

-- ---------------------------------------------------------------------------
-- Document types, forms, documents and debts
-- ---------------------------------------------------------------------------

-- STOCK is the document type's stock formula ("A-C": physical minus
-- committed, letters as in MAEST's column pairs).
CREATE TABLE TABTIDO (
  TIDO char(3) NOT NULL,
  NOTIDO varchar(50) NULL,
  MEARDO char(1) NULL,
  STOCK varchar(50) NULL,
  CONSTRAINT PK_TABTIDO PRIMARY KEY (TIDO)
)
go

-- Printed forms; the detail area of a form bounds the lines of a document.
CREATE TABLE MAEEFT (
  TIDO char(3) NOT NULL,
  KOFOR char(3) NOT NULL,
  NOKOFOR varchar(50) NULL,
  LDEFDET char(1) NULL,
  INILADLCE int NULL,
  FINLADLCE int NULL,
  LADOCE int NULL,
  NULIDO int NULL,
  CONSTRAINT PK_MAEEFT PRIMARY KEY (TIDO, KOFOR)
)
go

-- Document headers. ESDO "N" is a void document; ESPGDO "P" pending, "C"
-- paid. TIMODO "N" national currency, "E" foreign at TAMODO.
CREATE TABLE MAEEDO (
  IDMAEEDO int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NOT NULL,
  TIDO char(3) NOT NULL,
  NUDO char(10) NOT NULL,
  ENDO char(13) NULL,
  SUENDO char(10) NULL,
  SUDO char(3) NULL,
  KOFUDO char(3) NULL,
  MODO char(3) NULL,
  TIMODO char(1) NULL,
  TAMODO float NULL,
  ESDO char(1) NULL,
  ESPGDO char(1) NULL,
  NUDONODEFI bit NULL DEFAULT (0),
  FEEMDO datetime NULL,
  FE01VEDO datetime NULL,
  FEULVEDO datetime NULL,
  NUVEDO int NULL,
  LAHORA datetime NULL,
  HORAGRAB int NULL,
  VANEDO float NULL DEFAULT (0),
  VAIVDO float NULL DEFAULT (0),
  VAIMDO float NULL DEFAULT (0),
  VABRDO float NULL DEFAULT (0),
  VAABDO float NULL DEFAULT (0),
  VAIVARET float NULL DEFAULT (0),
  CONSTRAINT PK_MAEEDO PRIMARY KEY (IDMAEEDO)
)
go

CREATE UNIQUE INDEX IX_MAEEDO_DOC ON MAEEDO (EMPRESA, TIDO, NUDO)
go

CREATE INDEX IX_MAEEDO_ENDO ON MAEEDO (ENDO, SUENDO)
go

-- Document lines. A line made from a line of an earlier document points to
-- it with ARCHIRST "MAEDDO" and that line's IDMAEDDO in IDRST.
CREATE TABLE MAEDDO (
  IDMAEDDO int IDENTITY(1,1) NOT NULL,
  IDMAEEDO int NOT NULL,
  ARCHIRST char(8) NULL,
  IDRST int NULL DEFAULT (0),
  EMPRESA char(2) NULL,
  TIDO char(3) NULL,
  NUDO char(10) NULL,
  ENDO char(13) NULL,
  SUENDO char(10) NULL,
  NULIDO char(5) NULL,
  SULIDO char(3) NULL,
  BOSULIDO char(3) NULL,
  KOFULIDO char(3) NULL,
  TIPR char(3) NULL,
  KOPRCT char(13) NULL,
  NOKOPR varchar(50) NULL,
  UDTRPR int NULL,
  UD01PR char(2) NULL,
  UD02PR char(2) NULL,
  CAPRCO1 float NULL DEFAULT (0),
  CAPRCO2 float NULL DEFAULT (0),
  KOLTPR char(8) NULL,
  PPPRNE float NULL DEFAULT (0),
  PPPRBR float NULL DEFAULT (0),
  VANELI float NULL DEFAULT (0),
  VABRLI float NULL DEFAULT (0),
  FEEMLI datetime NULL,
  CONSTRAINT PK_MAEDDO PRIMARY KEY (IDMAEDDO)
)
go

CREATE INDEX IX_MAEDDO_EDO ON MAEDDO (IDMAEEDO)
go

CREATE INDEX IX_MAEDDO_RST ON MAEDDO (IDRST, ARCHIRST)
go

-- Instalments; ESPGVE blank while unpaid.
CREATE TABLE MAEVEN (
  IDMAEVEN int IDENTITY(1,1) NOT NULL,
  IDMAEEDO int NOT NULL,
  FEVE datetime NULL,
  VAVE float NULL DEFAULT (0),
  VAABVE float NULL DEFAULT (0),
  ESPGVE char(1) NULL,
  CONSTRAINT PK_MAEVEN PRIMARY KEY (IDMAEVEN)
)
go

CREATE INDEX IX_MAEVEN_EDO ON MAEVEN (IDMAEEDO)
go

-- Observations of a document, one row per document.
CREATE TABLE MAEEDOOB (
  IDMAEEDO int NOT NULL,
  OBDO varchar(250) NULL,
  CPDO varchar(50) NULL,
  OCDO varchar(40) NULL,
  DIENDESP varchar(50) NULL,
  PLACAPAT varchar(10) NULL,
  CONSTRAINT PK_MAEEDOOB PRIMARY KEY (IDMAEEDO)
)
go

-- Events recorded against any ERP row (ARCHIRVE/IDRVE).
CREATE TABLE MEVENTO (
  IDEVENTO int IDENTITY(1,1) NOT NULL,
  ARCHIRVE char(8) NULL,
  IDRVE int NULL,
  ARCHIRSE char(8) NULL,
  IDRSE int NULL,
  KOFU char(3) NULL,
  FEVENTO datetime NULL,
  HORAGRAB int NULL,
  KOTABLA char(10) NULL,
  KOCARAC char(10) NULL,
  NOKOCARAC varchar(50) NULL,
  CONSTRAINT PK_MEVENTO PRIMARY KEY (IDEVENTO)
)
go

-- Payment documents received from customers (cheques, deposits, bills,
-- promissory notes, advances) and their applications to documents.
CREATE TABLE MAEDPCE (
  IDMAEDPCE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NOT NULL,
  TIDP char(3) NOT NULL,
  NUDP char(10) NOT NULL,
  ENDP char(13) NULL,
  EMDP char(13) NULL,
  SUEMDP char(3) NULL,
  CUDP char(16) NULL,
  NUCUDP char(8) NULL,
  FEEMDP datetime NULL,
  FEVEDP datetime NULL,
  KOFUDP char(3) NULL,
  MODP char(3) NULL,
  TIMODP char(1) NULL,
  TAMODP float NULL,
  VADP float NULL DEFAULT (0),
  VAABDP float NULL DEFAULT (0),
  VAASDP float NULL DEFAULT (0),
  VAVUDP float NULL DEFAULT (0),
  ESPGDP char(1) NULL,
  ESASDP char(1) NULL,
  REFANTI varchar(50) NULL,
  ARCHIRSD char(8) NULL,
  IDRSD int NULL,
  HORAGRAB int NULL,
  CONSTRAINT PK_MAEDPCE PRIMARY KEY (IDMAEDPCE)
)
go

CREATE INDEX IX_MAEDPCE_ENDP ON MAEDPCE (ENDP, TIDP)
go

CREATE TABLE MAEDPCD (
  IDMAEDPCD int IDENTITY(1,1) NOT NULL,
  IDMAEDPCE int NOT NULL,
  FEASDP datetime NULL,
  VAASDP float NULL DEFAULT (0),
  ARCHIRST char(8) NULL,
  IDRST int NULL,
  CONSTRAINT PK_MAEDPCD PRIMARY KEY (IDMAEDPCD)
)
go

CREATE INDEX IX_MAEDPCD_RST ON MAEDPCD (IDRST, ARCHIRST)
go

-- Other receivables (protested cheques and the like) and their forms.
CREATE TABLE CFORMCON (
  KOFORMU char(3) NOT NULL,
  NOKOFORMU varchar(50) NULL,
  VAABDO float NULL DEFAULT (0),
  ARCHIENDO char(8) NULL,
  CONSTRAINT PK_CFORMCON PRIMARY KEY (KOFORMU)
)
go

CREATE TABLE CDOCCOE (
  IDDOCCOE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NOT NULL,
  TIDO char(3) NOT NULL,
  NUDO char(10) NOT NULL,
  ENDO char(13) NULL,
  SUENDO char(10) NULL,
  MODO char(3) NULL,
  TIMODO char(1) NULL,
  TAMODO float NULL,
  ESPGDO char(1) NULL,
  SIMILSISTE char(1) NULL,
  FEEMDO datetime NULL,
  FEVEDO datetime NULL,
  VABRDO float NULL DEFAULT (0),
  VAABDO float NULL DEFAULT (0),
  VAIVARET float NULL DEFAULT (0),
  GLOSA varchar(60) NULL,
  CONSTRAINT PK_CDOCCOE PRIMARY KEY (IDDOCCOE)
)
go

CREATE TABLE CDOCCOD (
  IDDOCCOD int IDENTITY(1,1) NOT NULL,
  IDDOCCOE int NOT NULL,
  GLOSA varchar(60) NULL,
  VALOR float NULL DEFAULT (0),
  CONSTRAINT PK_CDOCCOD PRIMARY KEY (IDDOCCOD)
)
go

-- Issuers of payment documents (banks and their branches).
CREATE TABLE TABENDP (
  EMPRESA char(2) NOT NULL,
  KOENDP char(13) NOT NULL,
  SUENDP char(3) NOT NULL,
  NOKOENDP varchar(50) NULL,
  CONSTRAINT PK_TABENDP PRIMARY KEY (EMPRESA, KOENDP, SUENDP)
)
go

-- ---------------------------------------------------------------------------
-- Work orders (production) and the other joined tables
-- ---------------------------------------------------------------------------

CREATE TABLE POTE (
  IDPOTE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NOT NULL,
  NUMOT char(10) NOT NULL,
  FEEMOT datetime NULL,
  ENDO char(13) NULL,
  SUENDO char(10) NULL,
  ESTADO char(1) NULL,
  CONSTRAINT PK_POTE PRIMARY KEY (IDPOTE)
)
go

CREATE TABLE POTL (
  IDPOTL int IDENTITY(1,1) NOT NULL,
  IDPOTE int NOT NULL,
  EMPRESA char(2) NOT NULL,
  NUMOT char(10) NOT NULL,
  NREG int NULL,
  KOPR char(13) NULL,
  NOKOPR varchar(50) NULL,
  FABRICAR float NULL DEFAULT (0),
  REALIZADO float NULL DEFAULT (0),
  CONSTRAINT PK_POTL PRIMARY KEY (IDPOTL)
)
go

CREATE INDEX IX_POTL_NUMOT ON POTL (NUMOT, EMPRESA)
go

-- Components and links of a work-order line; ARCHIRST/IDRST point to the
-- document line the component came from.
CREATE TABLE POTLCOM (
  IDPOTLCOM int IDENTITY(1,1) NOT NULL,
  IDPOTL int NOT NULL,
  ARCHIRST char(8) NULL,
  IDRST int NULL,
  KOPR char(13) NULL,
  CANTIDAD float NULL DEFAULT (0),
  CONSTRAINT PK_POTLCOM PRIMARY KEY (IDPOTLCOM)
)
go

CREATE TABLE POTD (
  IDPOTD int IDENTITY(1,1) NOT NULL,
  IDPOTL int NOT NULL,
  KOPR char(13) NULL,
  CANTIDAD float NULL DEFAULT (0),
  CONSTRAINT PK_POTD PRIMARY KEY (IDPOTD)
)
go

CREATE TABLE POTPR (
  IDPOTPR int IDENTITY(1,1) NOT NULL,
  IDPOTL int NOT NULL,
  OPERACION char(5) NULL,
  CONSTRAINT PK_POTPR PRIMARY KEY (IDPOTPR)
)
go

CREATE TABLE POTPRTA (
  IDPOTPRTA int IDENTITY(1,1) NOT NULL,
  IDPOTPR int NOT NULL,
  KOFU char(3) NULL,
  CONSTRAINT PK_POTPRTA PRIMARY KEY (IDPOTPRTA)
)
go

CREATE TABLE CCOMPRE (
  IDCOMPRE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NULL,
  NUCOMPRO char(10) NULL,
  FECOMPRO datetime NULL,
  CONSTRAINT PK_CCOMPRE PRIMARY KEY (IDCOMPRE)
)
go

CREATE TABLE CCOMPRD (
  IDCOMPRD int IDENTITY(1,1) NOT NULL,
  IDCOMPRE int NOT NULL,
  CUENTA char(16) NULL,
  DEBE float NULL DEFAULT (0),
  HABER float NULL DEFAULT (0),
  CONSTRAINT PK_CCOMPRD PRIMARY KEY (IDCOMPRD)
)
go

CREATE TABLE CCOMPRD1 (
  IDCOMPRD1 int IDENTITY(1,1) NOT NULL,
  IDCOMPRD int NOT NULL,
  CONSTRAINT PK_CCOMPRD1 PRIMARY KEY (IDCOMPRD1)
)
go

CREATE TABLE CCOMPRC (
  IDCOMPRC int IDENTITY(1,1) NOT NULL,
  IDCOMPRD int NOT NULL,
  CONSTRAINT PK_CCOMPRC PRIMARY KEY (IDCOMPRC)
)
go

CREATE TABLE CCARTOLE (
  IDCARTOLE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NULL,
  CONSTRAINT PK_CCARTOLE PRIMARY KEY (IDCARTOLE)
)
go

CREATE TABLE CCARTOLD (
  IDCARTOLD int IDENTITY(1,1) NOT NULL,
  IDCARTOLE int NOT NULL,
  CONSTRAINT PK_CCARTOLD PRIMARY KEY (IDCARTOLD)
)
go

CREATE TABLE CACTFI (
  IDACTFI int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NULL,
  CONSTRAINT PK_CACTFI PRIMARY KEY (IDACTFI)
)
go

CREATE TABLE CACTFID (
  IDACTFID int IDENTITY(1,1) NOT NULL,
  IDACTFI int NOT NULL,
  CONSTRAINT PK_CACTFID PRIMARY KEY (IDACTFID)
)
go

-- Budgets: item codes, their accumulated figures and their headers.
CREATE TABLE TABKOPRE (
  KOPRESU char(10) NOT NULL,
  APRESU char(4) NOT NULL,
  BPRESU char(4) NOT NULL,
  CPRESU char(4) NOT NULL,
  NOKOPRESU varchar(50) NULL,
  CONSTRAINT PK_TABKOPRE PRIMARY KEY (KOPRESU, APRESU, BPRESU, CPRESU)
)
go

CREATE TABLE ACUADPRE (
  KOPRESU char(10) NOT NULL,
  APRESU char(4) NOT NULL,
  BPRESU char(4) NOT NULL,
  CPRESU char(4) NOT NULL,
  PRESUPUESTO float NULL DEFAULT (0),
  REALIZADO float NULL DEFAULT (0),
  CONSTRAINT PK_ACUADPRE PRIMARY KEY (KOPRESU, APRESU, BPRESU, CPRESU)
)
go

CREATE TABLE TABADPRE (
  KOPRESU char(10) NOT NULL,
  NOKOPRESU varchar(50) NULL,
  CONSTRAINT PK_TABADPRE PRIMARY KEY (KOPRESU)
)
go

CREATE TABLE TABITPRE (
  IDITPRE int IDENTITY(1,1) NOT NULL,
  KOPRESU char(10) NOT NULL,
  ITEM char(10) NULL,
  CONSTRAINT PK_TABITPRE PRIMARY KEY (IDITPRE)
)
go

-- Invoice and dispatch staging of other front-ends; only their joins are
-- used.
CREATE TABLE PDATFAE (
  IDPDATFAE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NULL,
  CONSTRAINT PK_PDATFAE PRIMARY KEY (IDPDATFAE)
)
go

CREATE TABLE PDATFAD (
  IDPDATFAD int IDENTITY(1,1) NOT NULL,
  IDPDATFAE int NOT NULL,
  CONSTRAINT PK_PDATFAD PRIMARY KEY (IDPDATFAD)
)
go

CREATE TABLE PDATTAE (
  IDPDATTAE int IDENTITY(1,1) NOT NULL,
  EMPRESA char(2) NULL,
  CONSTRAINT PK_PDATTAE PRIMARY KEY (IDPDATTAE)
)
go

CREATE TABLE PDATTAD (
  IDPDATTAD int IDENTITY(1,1) NOT NULL,
  IDPDATTAE int NOT NULL,
  CONSTRAINT PK_PDATTAD PRIMARY KEY (IDPDATTAD)
)
go

-- ---------------------------------------------------------------------------
-- Positions and warehouse tasks (the back office's tables)
-- ---------------------------------------------------------------------------

-- Cache of mobile-network cell positions.
CREATE TABLE PDACELL (
  IDCELL int IDENTITY(1,1) NOT NULL,
  MCC varchar(10) NOT NULL,
  MNC varchar(10) NOT NULL,
  LAC varchar(10) NOT NULL,
  CELLID varchar(20) NOT NULL,
  LATITUD decimal(12, 6) NULL,
  LONGITUD decimal(12, 6) NULL,
  CONSTRAINT PK_PDACELL PRIMARY KEY (IDCELL)
)
go

CREATE INDEX IX_PDACELL ON PDACELL (MCC, MNC, LAC, CELLID)
go

-- Tasks: the server's columns plus SISTEMA ("INVENTARIO", "CARGA", ...).
-- DESTINAT is empty for everyone, one code, or codes each followed by "|".
CREATE TABLE PDATAREA (
  IDTAREA int IDENTITY(1,1) NOT NULL,
  KOFUTAR char(3) NOT NULL,
  ACCION char(3) NULL,
  FETAREA datetime NOT NULL DEFAULT GetDate(),
  HORAGRAB int NULL,
  ESTADO char(1) NOT NULL DEFAULT (''),
  COMENTA varchar(25) NULL DEFAULT (''),
  DESTINAT varchar(100) NULL DEFAULT (''),
  MENORCANT bit NULL DEFAULT (0),
  MAYORCANT bit NULL DEFAULT (0),
  SISTEMA char(20) NULL DEFAULT (''),
  CONSTRAINT PK_PDATAREA PRIMARY KEY (IDTAREA)
)
go

CREATE INDEX IX1_PDATAREA ON PDATAREA (KOFUTAR)
go

-- Task detail: what to count or load, and where (KOBOFILA 0: no location).
CREATE TABLE PDATAREAD (
  IDTAREAD int IDENTITY(1,1) NOT NULL,
  IDTAREA int NOT NULL,
  KOPR char(13) NULL,
  KOBOFILA int NULL DEFAULT (0),
  KOBOCOLU int NULL DEFAULT (0),
  KOBONIVEL int NULL DEFAULT (0),
  CANTIDAD float NULL DEFAULT (0),
  CONSTRAINT PK_PDATAREAD PRIMARY KEY (IDTAREAD)
)
go

CREATE INDEX IX_PDATAREAD ON PDATAREAD (IDTAREA)
go

-- Work records of a task: the server's columns plus the finishing date and
-- time (FETERACC, HORATER seconds since midnight).
CREATE TABLE PDALOCE (
  IDLOCE int IDENTITY(1,1) NOT NULL,
  IDTAREA int NOT NULL,
  ACCION char(3) NULL,
  FEACCION datetime NOT NULL DEFAULT GetDate(),
  HORAGRAB int NULL,
  ESTADO char(1) NOT NULL DEFAULT (''),
  MAQUINA varchar(50) NULL,
  USUARIO char(3) NULL,
  BODEGA char(3) NULL,
  SISTEMA char(20) NULL,
  CONTENEDOR varchar(20) NULL,
  FETERACC datetime NULL,
  HORATER int NULL,
  CONSTRAINT PK_PDALOCE PRIMARY KEY (IDLOCE)
)
go

-- Lines of a work record: the server's columns plus what was counted.
-- ETIQUETA defaults to 0 (an empty text is no integer).
CREATE TABLE PDALOCD (
  IDLOCD int IDENTITY(1,1) NOT NULL,
  IDLOCE int NOT NULL,
  FELOCD datetime NOT NULL DEFAULT GetDate(),
  HORAGRAB int NULL,
  ETIQUETA int NOT NULL DEFAULT (0),
  ESTADO char(1) NOT NULL DEFAULT (''),
  PROBLEMA varchar(50) NULL,
  KOPR char(13) NULL,
  UNIDAD char(2) NULL,
  CANTIDAD float NULL,
  KOZO varchar(20) NULL,
  OBS varchar(50) NULL,
  CONSTRAINT PK_PDALOCD PRIMARY KEY (IDLOCD)
)
go

COMMIT TRANSACTION
go
