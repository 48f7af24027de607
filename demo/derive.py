#!/usr/bin/env python3
"""Writes demo/erp-seed.sql, the demo company's data.

The seed is generated rather than typed because several of its values are
derived: the users' password transforms (PWFU, CLAVECON), the check numbers
(ECKOUS) that make permission rows valid, the tax ids' check digits, and the
row ids that documents, lines, instalments and payments use to point at one
another. Computing them here keeps them right when the data changes.

Usage: python3 demo/derive.py            rewrites demo/erp-seed.sql
       python3 demo/derive.py --stdout   prints the seed instead
       python3 demo/derive.py --users    prints the users and passwords

The output is code page 1252, like every text in the ERP's database. It must
be loaded into empty tables (right after erp-schema.sql): row ids are
computed here on the assumption that each identity column starts at 1.
"""

import os
import sys

# Position constants of the password transform, positions 1 to 5.
_PASSWORD_K = (48391, 6072, 2956, 614, 392)


def tranfoclav(password):
    """The ERP's 25-character password transform.

    Only the first five characters count; the demo's passwords all have at
    least five.
    """
    data = password.encode("cp1252")
    if len(data) < 5:
        raise ValueError("demo passwords need five characters: %r" % password)
    pieces = []
    for i in range(1, 6):
        pieces.append("%5d" % ((data[i - 1] + _PASSWORD_K[i - 1]) * i * i * i))
    return "".join(pieces)


def eckous(tax_id, user, code):
    """Check number of a MAEUS row for the company-01 tax id, user and code."""
    tax = tax_id.encode("cp1252")
    usr = user.ljust(3).encode("cp1252")
    koop = code.encode("cp1252")
    if len(tax) < 8 or len(koop) != 8:
        raise ValueError("bad permission inputs: %r %r" % (tax_id, code))
    total = sum(tax[i - 1] * i * i for i in range(1, 9))
    total += sum(usr[i - 1] * i * i * i for i in range(1, 4))
    total += sum(koop[i - 1] * i * i for i in range(1, 9))
    return total


def rut_check_digit(number):
    """Modulo-11 check digit of an 8-digit Chilean tax number."""
    digits = number.rjust(8).replace(" ", "0")
    weights = (3, 2, 7, 6, 5, 4, 3, 2)
    rest = sum(int(d) * w for d, w in zip(digits, weights)) % 11
    value = 11 - rest
    return {10: "K", 11: "0"}.get(value, str(value))


def full_rut(number):
    return "%s-%s" % (number, rut_check_digit(number))


# Mode whose ERP code holds control characters; devices send it as "!!!".
SYSTEM_MODE = "\x05 \x05 \x05"


def mode_permission(mode):
    return "MO-" + mode.strip().ljust(5)


class Seed:
    """Collects INSERT statements and hands out identity values."""

    def __init__(self):
        self.out = []
        self.ids = {}

    def comment(self, text):
        self.out.append("")
        for line in text.strip().splitlines():
            self.out.append(("-- " + line).rstrip())

    def insert(self, table, row, identity=None):
        """Writes one INSERT; returns the row's identity value when the table
        has one (`identity` names the column, which is never written)."""
        names = ", ".join(row.keys())
        values = ", ".join(sql_literal(v) for v in row.values())
        self.out.append("INSERT INTO %s (%s) VALUES (%s)" % (table, names, values))
        self.out.append("go")
        if identity:
            self.ids[table] = self.ids.get(table, 0) + 1
            return self.ids[table]
        return None

    def text(self):
        return "\n".join(self.out) + "\n"


class Date:
    def __init__(self, iso):
        self.iso = iso


def d(iso):
    return Date(iso)


def sql_literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, Date):
        return "{d '%s'}" % value.iso
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, (int, float)):
        text = repr(value)
        return text[:-2] if text.endswith(".0") else text
    return "'" + str(value).replace("'", "''") + "'"


# ---------------------------------------------------------------------------
# The company
# ---------------------------------------------------------------------------

COMPANY_RUT = full_rut("76543210")
COMPANY2_RUT = full_rut("77654320")

# code, name, password, own mode, e-mail, permissions (codes, "TIPO", VALOR)
USERS = [
    ("ADM", "Administrador del sistema", "admin", "VTA", "admin@alerces.cl",
     ["MO-VTA  ", "MO-RUTA ", mode_permission(SYSTEM_MODE), "RM-00010",
      "RM-00020", "RM-00030", "BO-B01", "BO-B02", "BO-B03", "IV000013",
      ("TO000006", "1", 50)]),
    ("V01", "Carla Munoz (ruta centro)", "vend1", "RUTA", "cmunoz@alerces.cl",
     ["MO-VTA  ", "MO-RUTA ", "RM-00010", "RM-00020", "BO-B01", "BO-B02",
      "NO000240", ("TO000006", "1", 20)]),
    ("V02", "Pedro Soto (ruta norte)", "vend2", "VTA", "psoto@alerces.cl",
     ["MO-VTA  ", "RM-00010", "BO-B03"]),
    # V03's mode permission was copied by hand from V02: its check number is
    # V02's, so it grants nothing and V03 cannot sign in to mode VTA.
    ("V03", "Luis Rojas (reemplazos)", "vend3", "", "lrojas@alerces.cl",
     [("MO-VTA  ", "", None, "V02")]),
    ("H01", "Handheld bodega central", "bodega", "", "bodega@alerces.cl",
     ["BO-B01"]),
]

CUSTOMER_COLUMNS_DEFAULTS = dict(
    TIPOSUC="P", TIEN="C", NOKOENAMP="", SIEN="", GIEN="", ACTIEN="",
    PAEN="CL", CIEN="SCL", CMEN="PRO", CPOSTAL="", FOEN="", FAEN="",
    EMAIL="", EMAILCOMER="", RUEN="COM", OBEN="", KOFUWEB="", LVEN="",
    ZOEN="Z01", CPEN="30D", DIPRVE=30, NUVECR=1, DIASVENCI=30,
    DIACOBRA="L  J   ", RUTALUN=0, RUTAMAR=0, RUTAMIE=0, RUTAJUE=0,
    RUTAVIE=0, RUTASAB=0, RUTADOM=0, GPSLAT=None, GPSLON=None, TIPORUC="1",
    BLOQUEADO=False, DIMOPER=0, CRTO=0, CRSD=0, CRCH=0, CRLT=0, CRPA=0,
    FECREEN=d("2024-03-01"))

# MAEEN column order after its identity; KASIEN repeats it after its key.
CUSTOMER_COLUMNS = [
    "KOEN", "SUEN", "TIPOSUC", "TIEN", "RTEN", "NOKOEN", "NOKOENAMP", "SIEN",
    "GIEN", "ACTIEN", "DIEN", "PAEN", "CIEN", "CMEN", "CPOSTAL", "FOEN",
    "FAEN", "EMAIL", "EMAILCOMER", "RUEN", "OBEN", "KOFUEN", "KOFUWEB",
    "LVEN", "ZOEN", "CPEN", "DIPRVE", "NUVECR", "DIASVENCI", "DIACOBRA",
    "RUTALUN", "RUTAMAR", "RUTAMIE", "RUTAJUE", "RUTAVIE", "RUTASAB",
    "RUTADOM", "GPSLAT", "GPSLON", "TIPORUC", "BLOQUEADO", "DIMOPER", "CRTO",
    "CRSD", "CRCH", "CRLT", "CRPA", "FECREEN"]


def customer(**fields):
    row = dict(CUSTOMER_COLUMNS_DEFAULTS)
    row.update(fields)
    row.setdefault("RTEN", row["KOEN"])
    return {name: row[name] for name in CUSTOMER_COLUMNS}


CUSTOMERS = [
    customer(KOEN="76111111", SUEN="", NOKOEN="Supermercado El Sol Ltda.",
             GIEN="Supermercado", DIEN="Av. Providencia 1234",
             FOEN="22 345 6789", EMAIL="contacto@elsol.cl",
             EMAILCOMER="compras@elsol.cl", KOFUEN="V01", KOFUWEB="V01",
             LVEN="TABPP01P", ZOEN="Z01", RUTALUN=1, RUTAJUE=1,
             GPSLAT=-33.4263, GPSLON=-70.6164, CRTO=5000000, CRSD=1000000,
             CRCH=500000, CRLT=200000, CRPA=200000, NUVECR=2),
    customer(KOEN="76111111", SUEN="001", TIPOSUC="S",
             NOKOEN="Supermercado El Sol - Local Centro",
             GIEN="Supermercado", DIEN="Huerfanos 850", CMEN="STG",
             KOFUEN="V01", LVEN="TABPP01P", ZOEN="Z01", RUTALUN=2,
             RUTAJUE=2, CRTO=5000000, CRSD=1000000, CRCH=500000),
    customer(KOEN="77222222", SUEN="", NOKOEN="Minimarket Don Pedro",
             GIEN="Minimarket", DIEN="Los Aromos 77", CMEN="NUN",
             EMAILCOMER="donpedro@correo.cl", KOFUEN="V01", LVEN="",
             ZOEN="Z02", RUTAMAR=1, RUTAJUE=3, CRTO=500000, CRSD=100000),
    customer(KOEN="78333333", SUEN="", NOKOEN="Ferreteria La Llave",
             GIEN="Ferreteria", DIEN="Av. Industrial 450", PAEN="CL",
             CIEN="VAP", CMEN="VAL", KOFUEN="V02", LVEN="TABPP02P",
             ZOEN="Z03", RUTALUN=1, BLOQUEADO=True,
             OBEN="Bloqueado por cobranza", CRTO=800000),
    customer(KOEN="79444444", SUEN="", NOKOEN="Comercial Los Andes S.A.",
             GIEN="Distribucion", DIEN="Calle Valparaiso 500", CIEN="VAP",
             CMEN="VDM", EMAILCOMER="pagos@losandes.cl", KOFUEN="V02",
             KOFUWEB="V02", LVEN="TABPP02P", ZOEN="Z03", TIPORUC="6",
             RUTAMIE=1, CRTO=2000000, CRSD=500000, CRCH=300000, CRLT=100000,
             CRPA=100000, DIMOPER=5),
    customer(KOEN="12345678", SUEN="", NOKOEN="Juan Pérez Ñúñez",
             GIEN="Particular", DIEN="Pasaje Los Olmos 12", CMEN="NUN",
             KOFUEN="V01", LVEN="TABPP01P", ZOEN="Z01", RUTAVIE=4,
             TIEN="A"),
    # Template copied by web-shop customer creation ([Conexion] "ENTIDAD
    # MAGENTO"); no seller, so it shows in no seller's lists.
    customer(KOEN="PLANTILLAWEB", SUEN="", RTEN="", NOKOEN="Plantilla web",
             GIEN="", DIEN="", KOFUEN="", LVEN="TABPP01P", ZOEN="Z01",
             CRTO=100000, CRSD=50000),
]

PENDING_CUSTOMER = customer(
    KOEN="76555555", SUEN="", NOKOEN="Botilleria La Esquina",
    GIEN="Botilleria", DIEN="Av. Matta 2020", CMEN="STG",
    FOEN="22 555 0101", EMAILCOMER="esquina@correo.cl", KOFUEN="V01",
    LVEN="TABPP01P", ZOEN="Z01", FECREEN=d("2026-12-10"))

# code, name, type, unit 1, unit 2, ratio, family, tax %, flags
PRODUCTS = [
    ("ACE001", "Aceite vegetal 1 L", "FPN", "UN", "CJ", 12, "ALI", 19, {}),
    ("ARR001", "Arroz grado 1 1 kg", "FPN", "UN", "CJ", 10, "ALI", 19, {}),
    ("AZU001", "Azúcar 1 kg", "FPN", "UN", "CJ", 10, "ALI", 19, {}),
    ("BEB001", "Bebida cola 1,5 L", "FPN", "UN", "PK", 6, "BEB", 19,
     {"NUIMPR": 1}),
    ("CAF001", "Café molido 250 g", "FPN", "UN", "CJ", 24, "ALI", 19, {}),
    ("DET001", "Detergente 3 kg", "FPN", "UN", "CJ", 4, "ASE", 19,
     {"ATPR": "OCU"}),
    ("FID001", "Fideos spaghetti 400 g", "FPN", "UN", "CJ", 20, "ALI", 19,
     {}),
    ("HAR001", "Harina 1 kg", "FPN", "UN", "CJ", 10, "ALI", 19,
     {"BLOQUEAPR": "V"}),
    ("LEC001", "Leche entera 1 L", "FPN", "UN", "CJ", 12, "LAC", 19,
     {"DIVISIBLE2": "N"}),
    ("VIN001", "Vino tinto reserva 750 cc", "FPN", "UN", "CJ", 12, "BEB", 19,
     {"NUIMPR": 1}),
    ("SER001", "Visita técnica", "SSN", "UN", "UN", 1, "SER", 19, {}),
]

# list 01P: (product, price unit 1, price unit 2, formula unit 1, discount 1)
PRICES_01P = [
    ("ACE001", 1890, 21500, "", 0),
    ("ARR001", 1290, 12500, "", 0),
    ("AZU001", 1090, 10500, "", 0),
    ("BEB001", 1490, 8500, "", 0),
    ("CAF001", 3290, 76000, "", 5),
    ("DET001", 6990, 26900, "", 0),
    # no letters in the formula: it is live and the stored 0 is ignored.
    ("FID001", 0, 17500, "850*1.1#3", 0),
    ("HAR001", 990, 9500, "", 0),
    ("LEC001", 1050, 12000, "", 0),
    ("VIN001", 4990, 57000, "", 0),
    ("SER001", 25000, 25000, "", 0),
]

# list 02P takes 90 % of list 01P through its default formulas unless a row
# stores its own price.
PRICES_02P = [
    ("ACE001", 0, 0, "", 0),
    ("ARR001", 1100, 11000, "", 0),
    ("AZU001", 0, 0, "", 0),
    ("BEB001", 0, 0, "", 2),
    # lower-case formula: live, with the customer's own discount.
    ("CAF001", 3290, 76000, "3290*{dctocli}#3", 0),
    ("LEC001", 0, 0, "", 0),
]

# (branch, warehouse, product, physical 1, committed 1)
STOCK = [
    ("CAS", "B01", "ACE001", 240, 24), ("CAS", "B01", "ARR001", 500, 0),
    ("CAS", "B01", "AZU001", 300, 30), ("CAS", "B01", "BEB001", 120, 0),
    ("CAS", "B01", "CAF001", 96, 0), ("CAS", "B01", "DET001", 40, 0),
    ("CAS", "B01", "FID001", 200, 0), ("CAS", "B01", "HAR001", 100, 0),
    ("CAS", "B01", "LEC001", 0, 0), ("CAS", "B01", "VIN001", 60, 0),
    ("CAS", "B02", "ACE001", 48, 0), ("CAS", "B02", "ARR001", 60, 0),
    ("CAS", "B02", "BEB001", 36, 0), ("CAS", "B02", "LEC001", 24, 0),
    ("NOR", "B03", "ACE001", 36, 0), ("NOR", "B03", "ARR001", 40, 0),
    ("NOR", "B03", "CAF001", 24, 0), ("NOR", "B03", "LEC001", 60, 12),
]


def build():
    s = Seed()
    s.comment(
        """Demo company of the Kelmar WebServer. Generated by demo/derive.py:
edit that script and run it again instead of editing this file.
Code page 1252. Load right after erp-schema.sql into empty tables.
One transaction: the embedded engine then syncs the file once, not once per
row.""")
    s.out.append("BEGIN TRANSACTION")
    s.out.append("go")

    # --- company, branches, warehouses, modes -----------------------------
    s.comment("Companies: 01 is the demo company, 02 a second one.")
    s.insert("CONFIGP", dict(EMPRESA="01", RUT=COMPANY_RUT,
                             RAZON="Distribuidora Los Alerces S.A.",
                             GIRO="Distribucion de abarrotes",
                             DIRECCION="Av. Vicuna Mackenna 3000, Santiago",
                             PAIS="CHI", IVAPAIS=19))
    s.insert("CONFIGP", dict(EMPRESA="02", RUT=COMPANY2_RUT,
                             RAZON="Alerces Servicios Ltda.",
                             GIRO="Servicios logisticos",
                             DIRECCION="Av. Vicuna Mackenna 3000, Santiago",
                             PAIS="CHI", IVAPAIS=19))
    for row in [("01", "CAS", "Casa matriz"), ("01", "NOR", "Sucursal norte"),
                ("02", "CAS", "Casa matriz")]:
        s.insert("TABSU", dict(EMPRESA=row[0], KOSU=row[1], NOKOSU=row[2],
                               IVADIFSU=0))
    for row in [("01", "CAS", "B01", "Bodega central"),
                ("01", "CAS", "B02", "Bodega camiones"),
                ("01", "NOR", "B03", "Bodega norte"),
                ("02", "CAS", "B01", "Bodega servicios")]:
        s.insert("TABBO", dict(EMPRESA=row[0], KOSU=row[1], KOBO=row[2],
                               NOKOBO=row[3]))
    s.comment("""Modes. RUTA takes the mode's own list even for customers with
one (KOCARAC KOLTMOD); the control-character mode travels as "!!!".""")
    for row in [("01", "VTA", "Venta en sala", "CAS", "B01", "TABPP01P", ""),
                ("01", "RUTA", "Venta en ruta", "CAS", "B02", "TABPP02P",
                 "KOLTMOD"),
                ("01", SYSTEM_MODE, "Modalidad de sistema", "NOR", "B03",
                 "TABPP01P", ""),
                ("02", "VTA", "Venta servicios", "CAS", "B01", "TABPP01P",
                 "")]:
        s.insert("CONFIEST", dict(EMPRESA=row[0], MODALIDAD=row[1],
                                  NOMODALIDAD=row[2], ESUCURSAL=row[3],
                                  EBODEGA=row[4], ELISTAVEN=row[5],
                                  KOCARAC=row[6]))

    # --- users and rights ---------------------------------------------------
    s.comment("""Users and sellers. PWFU is the password transform; the
passwords are listed in demo/README.md.""")
    for code, name, password, mode, mail, _ in USERS:
        s.insert("TABFU", dict(KOFU=code, NOKOFU=name,
                               PWFU=tranfoclav(password), MODALIDAD=mode,
                               EMAIL=mail, EMAILSUP="ventas@alerces.cl",
                               INACTIVO=False), identity="IDTABFU")
    s.comment("""Permissions, each with its check number over company 01's tax
id (%s), the user and the code.""" % COMPANY_RUT)
    for code, _, _, _, _, rights in USERS:
        for right in rights:
            if isinstance(right, str):
                right = (right, "", None, code)
            elif len(right) == 3:
                right = right + (code,)
            koop, tipo, valor, check_user = right
            koop = koop.ljust(8)
            s.insert("MAEUS", dict(KOUS=code, KOOP=koop, TIPO=tipo,
                                   VALOR=valor,
                                   ECKOUS=eckous(COMPANY_RUT, check_user,
                                                 koop)))

    # --- geography, zones ---------------------------------------------------
    s.comment("Cities and communes; zones with their delivery weekdays.")
    for row in [("CL", "SCL", "Santiago"), ("CL", "VAP", "Valparaíso")]:
        s.insert("TABCI", dict(KOPA=row[0], KOCI=row[1], NOKOCI=row[2]))
    for row in [("CL", "SCL", "PRO", "Providencia"),
                ("CL", "SCL", "STG", "Santiago centro"),
                ("CL", "SCL", "NUN", "Ñuñoa"),
                ("CL", "VAP", "VAL", "Valparaíso"),
                ("CL", "VAP", "VDM", "Viña del Mar")]:
        s.insert("TABCM", dict(KOPA=row[0], KOCI=row[1], KOCM=row[2],
                               NOKOCM=row[3]))
    for code, name, days in [("Z01", "Santiago oriente", "LMV"),
                             ("Z02", "Santiago sur", "RJ"),
                             ("Z03", "Quinta region", "LRMJVS")]:
        day_codes = "LRMJVSD"  # Monday (Lunes) .. Sunday (Domingo)
        row = dict(KOZO=code, NOKOZO=name)
        for letter, column in zip(day_codes, ["DESP_LUN", "DESP_MAR",
                                              "DESP_MIE", "DESP_JUE",
                                              "DESP_VIE", "DESP_SAB",
                                              "DESP_DOM"]):
            row[column] = "S" if letter in days else "N"
        row["RECARGO"] = 0
        s.insert("TABZO", row)

    # --- customers ----------------------------------------------------------
    s.comment("""Customers and branches. 77222222 is over its credit limit with
an overdue invoice, 78333333 is blocked, 79444444 has a protested cheque and
an unapplied advance, PLANTILLAWEB is the web-shop template.""")
    for row in CUSTOMERS:
        s.insert("MAEEN", row, identity="IDMAEEN")
    s.comment("Web-shop contacts (CLAVECON is the password transform).")
    s.insert("MAEENCON", dict(
        KOEN="76111111", RUTCONTACT=full_rut("11111111"), SUTRABCON="",
        CLAVECON=tranfoclav("sol2026"), NOKOCON="Marcela Fuentes",
        DIRECON="Av. Providencia 1234", FONOCON="22 345 6789", FAXCON="",
        EMAILCON="compras@elsol.cl", CARGOCON="Jefa de compras",
        AREACON="Compras", AUTORIZADO=True), identity="IDMAEENCON")
    s.insert("MAEENCON", dict(
        KOEN="79444444", RUTCONTACT=full_rut("13131313"), SUTRABCON="",
        CLAVECON=tranfoclav("andes1"), NOKOCON="Rodrigo Vidal",
        DIRECON="Calle Valparaiso 500", FONOCON="32 222 1000", FAXCON="",
        EMAILCON="pagos@losandes.cl", CARGOCON="Tesorero",
        AREACON="Finanzas", AUTORIZADO=False), identity="IDMAEENCON")
    s.comment("A customer waiting for authorisation, with its contact.")
    s.insert("KASIEN", PENDING_CUSTOMER, identity="IDKASIEN")
    s.insert("MAEENCON", dict(
        KOEN="76555555", RUTCONTACT=full_rut("15151515"), SUTRABCON="",
        CLAVECON=tranfoclav("esquina"), NOKOCON="Ana Contreras",
        DIRECON="Av. Matta 2020", FONOCON="22 555 0101", FAXCON="",
        EMAILCON="esquina@correo.cl", CARGOCON="MAGENTO", AREACON="",
        AUTORIZADO=True), identity="IDMAEENCON")
    s.insert("MAEENPRO", dict(KOEN="76555555", KOPR="VIN001"))
    s.insert("MAEENPRO", dict(KOEN="76111111", KOPR="ACE001"))

    # --- products -----------------------------------------------------------
    s.comment("""Products (two units each, RLUD first units per second unit),
enabled per company. DET001 is hidden (OCU), HAR001 blocked for sale (V),
SER001 a service visit (SSN).""")
    for (code, name, kind, ud1, ud2, ratio, family, iva,
         flags) in PRODUCTS:
        row = dict(KOPR=code, NOKOPR=name, TIPR=kind, UD01PR=ud1,
                   UD02PR=ud2, RLUD=ratio, DIVISIBLE="S",
                   DIVISIBLE2=flags.get("DIVISIBLE2", "S"), NMARCA=" ",
                   FMPR=family, PFPR="ABA" if family != "SER" else "SER",
                   HFPR="", RUPR="COM", MRPR="ALR", POIVPR=iva,
                   NUIMPR=flags.get("NUIMPR", 0),
                   BLOQUEAPR=flags.get("BLOQUEAPR", ""),
                   ATPR=flags.get("ATPR", ""), CAMICO=1, TTREPR=7,
                   LTSUBIC=1, PESOUBIC=1)
        s.insert("MAEPR", row)
    for code, *_ in PRODUCTS:
        s.insert("MAEPREM", dict(EMPRESA="01", KOPR=code, PPUL01=0,
                                 PPUL02=0, PM=0, PMSUC=1, TAUL=0, STFI1=0,
                                 STFI2=0))
    for code in ("SER001", "ACE001"):
        s.insert("MAEPREM", dict(EMPRESA="02", KOPR=code, PPUL01=0,
                                 PPUL02=0, PM=0, PMSUC=1, TAUL=0, STFI1=0,
                                 STFI2=0))
    s.insert("MAEPROBS", dict(KOPR="CAF001",
                              MENSAJE01="Oferta: 5% de descuento por caja"))
    s.insert("MAEPROBS", dict(KOPR="LEC001",
                              MENSAJE01="Mantener refrigerada una vez abierta"))
    for code, line in [("CAF001", "Café tostado y molido."),
                       ("CAF001", "Origen: Colombia."),
                       ("ACE001", "Aceite 100% vegetal.")]:
        s.insert("MAEFICHD", dict(KOPR=code, FICHA=line), identity="SEMILLA")
    s.insert("MRELUD", dict(EMPRESA="01", MODALIDAD="RUTA", KOPR="LEC001",
                            NMARCASUC="B"))
    s.insert("TABCODAL", dict(KOPRAL="7801234567890", KOPR="ACE001"))
    s.insert("TABCODAL", dict(KOPRAL="7809876543210", KOPR="CAF001"))
    s.comment("Concepts: billable codes that are not products.")
    s.insert("TABCT", dict(KOCT="FLETE", NOKOCT="Flete", TICT="FLE"))
    s.insert("TABCT", dict(KOCT="EMBALAJE", NOKOCT="Embalaje especial",
                           TICT="SER"))

    # --- stock --------------------------------------------------------------
    s.comment("""Stock per warehouse. LEC001 has none in the central warehouse;
VIN001 is not assigned to the central warehouse (TABBOPR).""")
    ratios = {p[0]: p[5] for p in PRODUCTS}
    for branch, warehouse, code, physical, committed in STOCK:
        s.insert("MAEST", dict(EMPRESA="01", KOSU=branch, KOBO=warehouse,
                               KOPR=code, STFI1=physical,
                               STFI2=physical / ratios[code],
                               STOCNV1=committed,
                               STOCNV2=committed / ratios[code]))
    for branch, warehouse, code, _, _ in STOCK:
        if (warehouse, code) != ("B01", "VIN001"):
            s.insert("TABBOPR", dict(EMPRESA="01", KOSU=branch,
                                     KOBO=warehouse, KOPR=code))

    # --- prices and taxes ---------------------------------------------------
    s.comment("""Price lists. OPERA: "XX", 26 blanks, then one code per
user-defined column pair of TABPRE: DSCTO1 and DSCTO2 are discounts (blank),
PRECMIN is not ("P").""")
    opera = "XX" + " " * 26 + "  P"
    s.insert("TABPP", dict(KOLT="01P", NOKOLT="Lista publico", TILT="P",
                           MELT="N", MOLT="$", TIMOLT="N", ECUDEF01UD="",
                           ECUDEF02UD="", OPERA=opera))
    s.insert("TABPP", dict(KOLT="02P", NOKOLT="Lista mayorista", TILT="P",
                           MELT="N", MOLT="$", TIMOLT="N",
                           ECUDEF01UD="<01P>PP01UD*0.9#3",
                           ECUDEF02UD="<01P>PP02UD*0.9#3", OPERA=opera))
    for kolt, rows in (("01P", PRICES_01P), ("02P", PRICES_02P)):
        for code, p1, p2, formula, discount in rows:
            s.insert("TABPRE", dict(
                KOLT=kolt, KOPR=code, PP01UD=p1, ECUACION=formula, PP02UD=p2,
                ECUACIONU2="", MG01UD=0, EMG01UD="", MG02UD=0, EMG02UD="",
                DTMA01UD=10, EDTMA01UD="", DTMA02UD=10, EDTMA02UD="",
                DSCTO1=discount, EDSCTO1="", DSCTO2=0, EDSCTO2="",
                PRECMIN=0, EPRECMIN=""))
    s.comment("Additional taxes on beverages and wine.")
    s.insert("TABIM", dict(KOIM="BEB", NOKOIM="Impuesto bebidas azucaradas",
                           POIM=18))
    s.insert("TABIM", dict(KOIM="VIN", NOKOIM="Impuesto vinos", POIM=20.5))
    s.insert("TABIMPR", dict(KOPR="BEB001", KOIM="BEB", NOAPLICEN=""))
    s.insert("TABIMPR", dict(KOPR="VIN001", KOIM="VIN", NOAPLICEN=""))
    s.insert("TABMO", dict(KOMO="$", NOKOMO="Peso chileno", TIMO="N",
                           VAMO=1, FEMO=d("2026-12-01")))
    s.insert("TABMO", dict(KOMO="US$", NOKOMO="Dolar", TIMO="E", VAMO=945.5,
                           FEMO=d("2026-12-01")))
    s.comment("Dimensions used by price formulas.")
    for row in [("DCTOVOL", "Descuento por volumen", "Por_producto", 0),
                ("DCTOCLI", "Descuento del cliente", "Por_entidad", 0),
                ("FLETE", "Flete por comuna", "Por_succomu", 0),
                ("MARGENMIN", "Margen minimo", "Valor_propio", 15)]:
        s.insert("PNOMDIM", dict(CODIGO=row[0], NOMBRE=row[1],
                                 DEPENDENCI=row[2], VALOR=row[3]))
    s.insert("PDIMEN", dict(CODIGO="ACE001", DCTOVOL=2))
    s.insert("PDIMCLI", dict(CODIGO="76111111", DCTOCLI=3))
    s.insert("TDISSUCO", dict(EMPRESA="", KOSU="", KOPA="", KOCI="", KOCM="",
                              FLETE=1500))

    # --- document types and forms -------------------------------------------
    s.comment("""Document types (STOCK: the type's stock formula) and the
printed form of NVV, whose detail area holds 10 lines.""")
    for row in [("NVV", "Nota de venta", "N", "A-C"),
                ("FCV", "Factura de venta", "N", "A"),
                ("BLV", "Boleta de venta", "B", "A"),
                ("GDV", "Guia de despacho", "N", "A"),
                ("NCV", "Nota de credito de venta", "N", "A"),
                ("CHV", "Cheque protestado", "N", "")]:
        s.insert("TABTIDO", dict(TIDO=row[0], NOTIDO=row[1], MEARDO=row[2],
                                 STOCK=row[3]))
    s.insert("MAEEFT", dict(TIDO="NVV", KOFOR="", NOKOFOR="Nota de venta",
                            LDEFDET="S", INILADLCE=20, FINLADLCE=31,
                            LADOCE=66, NULIDO=66))

    documents(s)
    payments(s)
    work_order(s)
    tasks(s)
    s.out.append("")
    s.out.append("COMMIT TRANSACTION")
    s.out.append("go")
    return s


def documents(s):
    s.comment("""Documents. NVV 501 became GDV 301 and then FCV 1001 (lines point
back with ARCHIRST MAEDDO); NCV 101 credits part of FCV 1001. FCV 1001's
first instalment is paid, its second is due 2026-12-31. FCV 1002 of 77222222
is overdue since 2026-10-31. Documents dated 2026-12-11 are "today" when the
server runs with KELMAR_NOW="2026-12-11 ..".""")
    s.doc_lines = {}
    s.doc_ids = {}
    prices = {p[0]: (p[1], p[2]) for p in PRICES_01P}
    products = {p[0]: p for p in PRODUCTS}

    def doc(empresa, tido, nudo, endo, suendo, seller, date, lines,
            status="P", due=None, sources=None, esdo=""):
        """lines: (product, quantity, unit 1 or 2); due: (date, share of the
        gross, share already paid) per instalment. A paid ("C") document is
        paid in full, a pending one by what its instalments received."""
        net = 0.0
        built = []
        for n, (code, qty, unit) in enumerate(lines, start=1):
            ratio = products[code][5]
            price = prices[code][0]
            q1 = qty if unit == 1 else qty * ratio
            line_net = round(price * q1)
            net += line_net
            built.append((n, code, q1, q1 / ratio, unit, price, line_net))
        vat = round(net * 0.19)
        gross = net + vat
        dues = due or []
        if status == "C":
            paid = gross
        else:
            paid = sum(round(gross * paid_share) for _, _, paid_share in dues)
        idedo = s.insert("MAEEDO", dict(
            EMPRESA=empresa, TIDO=tido, NUDO=nudo, ENDO=endo, SUENDO=suendo,
            SUDO="CAS", KOFUDO=seller, MODO="$", TIMODO="N", TAMODO=1,
            ESDO=esdo, ESPGDO=status, NUDONODEFI=False, FEEMDO=d(date),
            FE01VEDO=d(dues[0][0] if dues else date),
            FEULVEDO=d(dues[-1][0] if dues else date), NUVEDO=len(dues),
            LAHORA=d(date), HORAGRAB=36000, VANEDO=net, VAIVDO=vat,
            VAIMDO=0, VABRDO=gross, VAABDO=paid, VAIVARET=0),
            identity="IDMAEEDO")
        s.doc_ids[(empresa, tido, nudo)] = idedo
        ids = []
        for i, (n, code, q1, q2, unit, price, line_net) in enumerate(built):
            source = sources[i] if sources else None
            ids.append(s.insert("MAEDDO", dict(
                IDMAEEDO=idedo, ARCHIRST="MAEDDO" if source else "",
                IDRST=source or 0, EMPRESA=empresa, TIDO=tido, NUDO=nudo,
                ENDO=endo, SUENDO=suendo, NULIDO="%05d" % n, SULIDO="CAS",
                BOSULIDO="B01", KOFULIDO=seller, TIPR=products[code][2],
                KOPRCT=code, NOKOPR=products[code][1], UDTRPR=unit,
                UD01PR=products[code][3], UD02PR=products[code][4],
                CAPRCO1=q1, CAPRCO2=q2, KOLTPR="TABPP01P", PPPRNE=price,
                PPPRBR=round(price * 1.19), VANELI=line_net,
                VABRLI=round(line_net * 1.19), FEEMLI=d(date)),
                identity="IDMAEDDO"))
        for feve, share, paid_share in dues:
            s.insert("MAEVEN", dict(IDMAEEDO=idedo, FEVE=d(feve),
                                    VAVE=round(gross * share),
                                    VAABVE=round(gross * paid_share),
                                    ESPGVE="C" if paid_share >= share else " "),
                     identity="IDMAEVEN")
        s.doc_lines[(empresa, tido, nudo)] = ids
        return idedo, gross

    nvv501 = [("ACE001", 24, 1), ("ARR001", 2, 2)]
    doc("01", "NVV", "0000000501", "76111111", "", "V01", "2026-11-20",
        nvv501, status="C")
    doc("01", "GDV", "0000000301", "76111111", "", "V01", "2026-11-21",
        nvv501, status="C",
        sources=s.doc_lines[("01", "NVV", "0000000501")])
    _, gross1001 = doc("01", "FCV", "0000001001", "76111111", "", "V01",
                       "2026-11-22", nvv501,
                       due=[("2026-11-30", 0.5, 0.5),
                            ("2026-12-31", 0.5, 0.0)],
                       sources=s.doc_lines[("01", "GDV", "0000000301")])
    # The first instalment was paid by a deposit (see payments).
    s.paid_1001 = round(gross1001 * 0.5)
    doc("01", "FCV", "0000001000", "76111111", "", "V01", "2026-10-05",
        [("CAF001", 12, 1), ("AZU001", 20, 1)], status="C",
        due=[("2026-11-05", 1.0, 1.0)])
    doc("01", "NCV", "0000000101", "76111111", "", "V01", "2026-12-01",
        [("ACE001", 2, 1)],
        sources=s.doc_lines[("01", "FCV", "0000001001")][:1])
    doc("01", "FCV", "0000001002", "77222222", "", "V01", "2026-10-01",
        [("ACE001", 20, 2), ("CAF001", 5, 2)],
        due=[("2026-10-31", 1.0, 0.0)])
    doc("01", "FCV", "0000001003", "79444444", "", "V02", "2026-12-11",
        [("LEC001", 5, 2), ("ARR001", 3, 2)],
        due=[("2027-01-10", 0.5, 0.0), ("2027-02-10", 0.5, 0.0)])
    doc("01", "BLV", "0000002001", "12345678", "", "V01", "2026-12-11",
        [("CAF001", 2, 1)], status="C")
    doc("01", "NVV", "0000000502", "78333333", "", "V02", "2026-12-02",
        [("ACE001", 48, 1), ("CAF001", 1, 2)], status="C")
    doc("01", "GDV", "0000000302", "78333333", "", "V02", "2026-12-03",
        [("ACE001", 48, 1)], status="C",
        sources=s.doc_lines[("01", "NVV", "0000000502")][:1])
    doc("02", "FCV", "0000000001", "76111111", "", "ADM", "2026-11-15",
        [("SER001", 1, 1)], due=[("2026-11-30", 1.0, 0.0)])
    s.insert("MAEEDOOB", dict(
        IDMAEEDO=s.doc_ids[("01", "GDV", "0000000302")],
        OBDO="Entregar por porteria de camiones", CPDO="", OCDO="OC-7781",
        DIENDESP="Av. Industrial 450, Valparaiso", PLACAPAT="KXLB23"))
    s.insert("MEVENTO", dict(
        ARCHIRVE="MAEEDO", IDRVE=s.doc_ids[("01", "FCV", "0000001001")],
        ARCHIRSE="", IDRSE=0, KOFU="V01", FEVENTO=d("2026-11-22"),
        HORAGRAB=37800, KOTABLA="MOVIL-EVEN", KOCARAC="ENTREGA",
        NOKOCARAC="Entregado conforme"), identity="IDEVENTO")


def payments(s):
    s.comment("""Payment documents. The deposit paid FCV 1001's first
instalment; the cheque that paid FCV 1000 is still in portfolio (due
2027-01-05); 79444444 has an advance not yet applied and a protested cheque
among the other receivables.""")
    fcv1000 = s.doc_ids[("01", "FCV", "0000001000")]
    fcv1001 = s.doc_ids[("01", "FCV", "0000001001")]
    # Gross of FCV 1000: 12 * 3290 + 20 * 1090 net, plus 19 % VAT.
    net1000 = 12 * 3290 + 20 * 1090
    gross1000 = net1000 + round(net1000 * 0.19)
    rows = [
        ("DEP", "0000000001", "76111111", "BCH", "001", "2026-11-30",
         "2026-11-30", s.paid_1001, s.paid_1001, s.paid_1001, "C", "A",
         fcv1001),
        ("CHV", "0004455667", "76111111", "BCH", "001", "2026-11-05",
         "2027-01-05", gross1000, 0, gross1000, "P", "A", fcv1000),
        ("EFV", "0000000002", "79444444", "", "", "2026-12-05",
         "2026-12-05", 100000, 100000, 0, "C", "P", None),
    ]
    for (tidp, nudp, endp, emdp, suemdp, feem, feve, vadp, vaabdp, vaasdp,
         espgdp, esasdp, applied_to) in rows:
        iddp = s.insert("MAEDPCE", dict(
            EMPRESA="01", TIDP=tidp, NUDP=nudp, ENDP=endp, EMDP=emdp,
            SUEMDP=suemdp, CUDP="", NUCUDP="", FEEMDP=d(feem),
            FEVEDP=d(feve), KOFUDP="V01", MODP="$", TIMODP="N", TAMODP=1,
            VADP=vadp, VAABDP=vaabdp, VAASDP=vaasdp, VAVUDP=0,
            ESPGDP=espgdp, ESASDP=esasdp, REFANTI="", ARCHIRSD="", IDRSD=0,
            HORAGRAB=40000), identity="IDMAEDPCE")
        if applied_to:
            s.insert("MAEDPCD", dict(IDMAEDPCE=iddp, FEASDP=d(feem),
                                     VAASDP=vaasdp, ARCHIRST="MAEEDO",
                                     IDRST=applied_to), identity="IDMAEDPCD")
    s.insert("TABENDP", dict(EMPRESA="01", KOENDP="BCH", SUENDP="001",
                             NOKOENDP="Banco de Chile, oficina central"))
    s.insert("TABENDP", dict(EMPRESA="01", KOENDP="BES", SUENDP="001",
                             NOKOENDP="BancoEstado, oficina central"))
    s.insert("CFORMCON", dict(KOFORMU="CHV", NOKOFORMU="Cheque protestado",
                              VAABDO=1, ARCHIENDO="MAEEN"))
    s.insert("CDOCCOE", dict(
        EMPRESA="01", TIDO="CHV", NUDO="0000009001", ENDO="79444444",
        SUENDO="", MODO="$", TIMODO="N", TAMODO=1, ESPGDO="P",
        SIMILSISTE="V", FEEMDO=d("2026-11-10"), FEVEDO=d("2026-11-25"),
        VABRDO=150000, VAABDO=0, VAIVARET=0,
        GLOSA="Cheque 8812 protestado, BancoEstado"), identity="IDDOCCOE")


def work_order(s):
    s.comment("""Work order 0000000010 for NVV 502's first line; GDV 302
dispatched it.""")
    nvv_line = s.doc_lines[("01", "NVV", "0000000502")][0]
    idpote = s.insert("POTE", dict(EMPRESA="01", NUMOT="0000000010",
                                   FEEMOT=d("2026-12-02"), ENDO="78333333",
                                   SUENDO="", ESTADO="C"), identity="IDPOTE")
    idpotl = s.insert("POTL", dict(IDPOTE=idpote, EMPRESA="01",
                                   NUMOT="0000000010", NREG=1, KOPR="ACE001",
                                   NOKOPR="Aceite vegetal 1 L", FABRICAR=48,
                                   REALIZADO=48), identity="IDPOTL")
    s.insert("POTLCOM", dict(IDPOTL=idpotl, ARCHIRST="MAEDDO",
                             IDRST=nvv_line, KOPR="ACE001", CANTIDAD=48),
             identity="IDPOTLCOM")


def tasks(s):
    s.comment("""Warehouse tasks prepared by the back office. H01 sees task 1
(everyone) and task 2 (addressed to "H01|H02|"), not task 3 (H02 only) nor
task 4 (no longer active).""")
    for kofu, accion, estado, comenta, destinat, sistema, fila in [
            ("ADM", "INV", "A", "Inventario bodega central", "",
             "INVENTARIO", 3),
            ("ADM", "CAR", "A", "Carga camion ruta norte", "H01|H02|",
             "CARGA", 0),
            ("ADM", "INV", "A", "Conteo pasillo 3", "H02", "INVENTARIO", 0),
            ("ADM", "INV", "T", "Inventario de noviembre", "", "INVENTARIO",
             0)]:
        idtarea = s.insert("PDATAREA", dict(
            KOFUTAR=kofu, ACCION=accion, FETAREA=d("2026-12-10"),
            HORAGRAB=32400, ESTADO=estado, COMENTA=comenta,
            DESTINAT=destinat, MENORCANT=False, MAYORCANT=False,
            SISTEMA=sistema), identity="IDTAREA")
        s.insert("PDATAREAD", dict(IDTAREA=idtarea, KOPR="ACE001",
                                   KOBOFILA=fila, KOBOCOLU=1 if fila else 0,
                                   KOBONIVEL=1 if fila else 0, CANTIDAD=0),
                 identity="IDTAREAD")


def main(argv):
    if "--users" in argv:
        for code, name, password, mode, mail, _ in USERS:
            print("%-4s %-10s %-6s %s" % (code, password, mode or "-", name))
        return 0
    text = build().text().encode("cp1252")
    if "--stdout" in argv:
        sys.stdout.buffer.write(text)
        return 0
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                        "erp-seed.sql")
    with open(path, "wb") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
