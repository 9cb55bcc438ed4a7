-- Demo data set: a small but realistic food-service company with three branches in Brazil.
-- Loaded by loadDemo() into an empty database in one transaction (cadserv-server --init --demo).
-- Dates sit around the processing date 2026-12-07 so that standard costs exist before and after
-- the processing month. Tax numbers carry valid check digits.

-- Branches: 0001 is the central branch, 0002 an aggregate under it, 0003 an independent hospital unit.
INSERT INTO FILIAL (CDFILIAL, NMFILIAL, IDCNTRRESC, CDFILCENTPME, IDFILCENTPME, NRINSJURFILI, NMCIDADE, SGESTADO, DTPROCESSA) VALUES
  ('0001', 'Central São Paulo', 'N', '0001', 'S', '11222333000181', 'São Paulo', 'SP', '2026-12-07'),
  ('0002', 'Unidade Campinas', 'N', '0001', 'N', '11222333000262', 'Campinas', 'SP', '2026-12-07'),
  ('0003', 'Hospital Santa Clara', 'N', NULL, 'N', '44555666000181', 'Belo Horizonte', 'MG', '2026-12-07');

INSERT INTO GRUPFILI (CDGRUPFILI, NMGRUPFILI) VALUES
  ('0000000001', 'Grande São Paulo e Interior'),
  ('0000000002', 'Unidades Hospitalares');

INSERT INTO FILIGRUP (CDGRUPFILI, CDFILIAL) VALUES
  ('0000000001', '0001'),
  ('0000000001', '0002'),
  ('0000000002', '0003');

INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, IDATIVO) VALUES
  ('ADMIN', 'Administrador do Sistema', 'S'),
  ('MARIA', 'Maria Aparecida Souza', 'S'),
  ('JOAO', 'João Carlos Pereira', 'S');

-- Demo passwords (Argon2id): ADMIN "admin", MARIA "maria", JOAO "joao". Change them with
-- `cadserv-server senha --operator CODE` before any real use.
INSERT INTO SENHAOPER (CDOPERADOR, DSHASHSENHA) VALUES
  ('ADMIN', '$argon2id$v=19$m=65536,t=2,p=1$Iwj8sCrQu0dZa+kWZW1UDA$BpMrNxw6yZ2q7pxA8Br1151kSCLd9l3lgvXUle4h7TM'),
  ('MARIA', '$argon2id$v=19$m=65536,t=2,p=1$fYKDuOi4M2ArfF28dEctQQ$5R37bRWWGPgeJhPNbKJiui4F1OYPGHge2ewvrPImupQ'),
  ('JOAO', '$argon2id$v=19$m=65536,t=2,p=1$3/ruEZhrIrbwD6lBKZr7uQ$nEmfH/tE14bffAwVGEIE7TeJiXiV29C6EfZSobXXkOI');

-- JOAO has no access to branch 0002.
INSERT INTO FILIOPER (CDFILIAL, CDOPERADOR) VALUES
  ('0001', 'ADMIN'),
  ('0002', 'ADMIN'),
  ('0003', 'ADMIN'),
  ('0001', 'MARIA'),
  ('0002', 'MARIA'),
  ('0003', 'MARIA'),
  ('0001', 'JOAO'),
  ('0003', 'JOAO');

INSERT INTO GRUPOPER (CDGRUPOPER, NMGRUPOPER) VALUES
  ('01', 'Administradores'),
  ('02', 'Nutricionistas'),
  ('03', 'Operação de Cozinha');

INSERT INTO OPERGRUP (CDGRUPOPER, CDOPERADOR) VALUES
  ('01', 'ADMIN'),
  ('02', 'ADMIN'),
  ('02', 'MARIA'),
  ('03', 'JOAO');

-- Standard costs may be maintained by the nutritionists (ADMIN and MARIA); JOAO only reads them.
INSERT INTO AUTGRUPOPER (IDAUTGRUPOP, NRAUTGRUPOP, CDGRUPOPER) VALUES
  ('ACPS', '001', '02');

-- Product tree: 9.99.9999 (group, subgroup, product).
INSERT INTO NIVELPROD (CDNVPRODUTO, NMNVPRODUTO, NRDIGNIVEL) VALUES
  (1, 'Grupo', 1),
  (2, 'Subgrupo', 2),
  (3, 'Produto', 4);

INSERT INTO PRODUTO (CDPRODUTO, CDARVPROD, NMPRODUTO, CDNVPRODUTO, SGUNIDADE) VALUES
  ('100', '1', 'Refeições', 1, NULL),
  ('110', '101', 'Refeições Coletivas', 2, NULL),
  ('1001', '1010001', 'Almoço Executivo', 3, 'UN'),
  ('1002', '1010002', 'Jantar', 3, 'UN'),
  ('1003', '1010003', 'Desjejum', 3, 'UN'),
  ('1004', '1010004', 'Lanche da Tarde', 3, 'UN'),
  ('1005', '1010005', 'Ceia', 3, 'UN'),
  ('120', '102', 'Dietas Hospitalares', 2, NULL),
  ('1101', '1020001', 'Dieta Hospitalar Geral', 3, 'UN'),
  ('1102', '1020002', 'Dieta Ambulatorial', 3, 'UN'),
  ('200', '2', 'Insumos', 1, NULL),
  ('210', '201', 'Hortifrúti', 2, NULL),
  ('2001', '2010001', 'Alface Crespa', 3, 'KG'),
  ('2002', '2010002', 'Tomate Italiano', 3, 'KG'),
  ('220', '202', 'Mercearia', 2, NULL),
  ('2101', '2020001', 'Arroz Tipo 1', 3, 'KG'),
  ('2102', '2020002', 'Feijão Carioca', 3, 'KG');

INSERT INTO GRUPPROD (CDGRUPROD, NMGRUPROD) VALUES
  ('FATREF', 'Faturamento de Refeições'),
  ('INSUMOS', 'Insumos de Cozinha');

INSERT INTO PRODGRUP (CDGRUPROD, CDPRODUTO) VALUES
  ('FATREF', '1001'),
  ('FATREF', '1002'),
  ('FATREF', '1003'),
  ('FATREF', '1004'),
  ('FATREF', '1005'),
  ('FATREF', '1101'),
  ('FATREF', '1102'),
  ('INSUMOS', '2001'),
  ('INSUMOS', '2002'),
  ('INSUMOS', '2101'),
  ('INSUMOS', '2102');

-- General parameters: standard-menu mode off and no billing product group (set CDGRUPRODFAT to FATREF to restrict billing products).
INSERT INTO PARAMGERAL (NRPARAMGERAL, IDUTCARDPADR, CDGRUPRODFAT, NMEMPRESA, NRCASADECCUST) VALUES
  (1, 'N', NULL, 'Nutrir Alimentação Coletiva Ltda.', 5);

INSERT INTO GRUPSERV (CDGRUPSERV, NMGRUPSERV) VALUES
  ('001', 'Refeições Principais'),
  ('002', 'Lanches e Desjejum'),
  ('003', 'Dietas Hospitalares'),
  ('004', 'Faturamento');

INSERT INTO ROTATRANS (CDROTATRANS, NMROTATRANS) VALUES
  ('000001', 'Rota Centro - Av. Paulista'),
  ('000002', 'Rota Zona Sul - Santo Amaro'),
  ('000003', 'Rota Campinas - Distrito Industrial');

INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES
  ('01', 'Arroz'),
  ('02', 'Feijão'),
  ('03', 'Prato Principal'),
  ('04', 'Guarnição'),
  ('05', 'Salada'),
  ('06', 'Sobremesa'),
  ('07', 'Suco'),
  ('08', 'Sopa'),
  ('09', 'Pão'),
  ('10', 'Bebida Quente');

INSERT INTO PRATO (CDPRATO, NMPRATO, CDTIPOPRAT) VALUES
  ('000101', 'Arroz Branco', '01'),
  ('000102', 'Arroz Integral', '01'),
  ('000201', 'Feijão Carioca', '02'),
  ('000202', 'Feijão Preto', '02'),
  ('000301', 'Frango Grelhado', '03'),
  ('000302', 'Carne Assada', '03'),
  ('000303', 'Peixe ao Molho', '03'),
  ('000401', 'Legumes no Vapor', '04'),
  ('000501', 'Salada Verde', '05'),
  ('000601', 'Fruta da Estação', '06'),
  ('000602', 'Pudim de Leite', '06'),
  ('000701', 'Suco de Laranja', '07'),
  ('000801', 'Sopa de Legumes', '08'),
  ('000901', 'Pão Francês', '09'),
  ('001001', 'Café com Leite', '10');

-- Standard services: new service codes of a branch are taken from here.
INSERT INTO SERVPADR (CDSERVPADR, NMSERVPADR, CDPRODUTO) VALUES
  ('00001', 'Almoço', '1001'),
  ('00002', 'Jantar', '1002'),
  ('00003', 'Desjejum', '1003'),
  ('00004', 'Lanche da Tarde', '1004'),
  ('00005', 'Ceia', '1005'),
  ('00010', 'Dieta Hospitalar Geral', '1101'),
  ('00011', 'Dieta Ambulatorial', '1102');

INSERT INTO SERPADDIE (CDSERPADDIE, NMSERPADDIE) VALUES
  ('001', 'Enfermaria'),
  ('002', 'Apartamento'),
  ('003', 'Unidade de Terapia Intensiva');

INSERT INTO DIETPADR (CDDIETPAD, DSDIETPAD) VALUES
  ('0001', 'Dieta Geral'),
  ('0002', 'Dieta Branda'),
  ('0003', 'Dieta Pastosa'),
  ('0004', 'Dieta Líquida'),
  ('0005', 'Dieta Hipossódica'),
  ('0006', 'Dieta para Diabéticos');

INSERT INTO CLIENTE (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE, NMFANTCLIE) VALUES
  ('000001', 'J', '33444555000181', 'Metalúrgica Paulista S.A.', 'Metalpaulista'),
  ('000002', 'J', '55666777000181', 'Banco Horizonte de Investimentos S.A.', 'Banco Horizonte'),
  ('000003', 'J', '77888999000181', 'Indústria Química Campinas Ltda.', 'Quimicamp'),
  ('000004', 'F', '12345678909', 'Ana Beatriz Carvalho', 'Ana Beatriz (eventos)');

INSERT INTO DESTFILI (CDFILIAL, CDDESTFILI, NMDESTFILI, DSENDERECO) VALUES
  ('0001', '001', 'Portaria Principal', 'Av. Paulista, 1000'),
  ('0001', '002', 'Refeitório Bloco A', 'Rua Vergueiro, 250'),
  ('0001', '003', 'Refeitório Bloco B', 'Rua Vergueiro, 260'),
  ('0001', '004', 'Almoxarifado Central', 'Av. das Nações Unidas, 4500'),
  ('0002', '001', 'Portaria Distrito Industrial', 'Rod. Anhanguera, km 104'),
  ('0002', '002', 'Refeitório Fábrica', 'Rod. Anhanguera, km 104');

INSERT INTO CATEMBALAG (NRCATEMBALAG, NMCATEMBALAG, NRORDEM) VALUES
  (1, 'Marmitex', 1),
  (2, 'Caixa Térmica', 2),
  (3, 'Cuba Gastronorm', 3);

INSERT INTO CONTAINER (CDCONTAINER, NMCONTAINER, NRCATEMBALAG, IDCOLETIVO, QTCAPACIDADE) VALUES
  ('MX08', 'Marmitex Alumínio nº 8', 1, 'N', 1),
  ('MX09', 'Marmitex Alumínio nº 9', 1, 'N', 1),
  ('CT50', 'Caixa Térmica 50 Litros', 2, 'S', 50),
  ('CT80', 'Caixa Térmica 80 Litros', 2, 'S', 80),
  ('GN11', 'Cuba Gastronorm 1/1', 3, 'S', 14),
  ('GN12', 'Cuba Gastronorm 1/2', 3, 'S', 6.5);

INSERT INTO EMBDISTR (CDCNFDISTEMBSERV, NOME, CDCONTAINER, VARIOSTPPRAT, NRORDEM) VALUES
  ('DIST', 'Distribuição Automática', NULL, 'S', 1),
  ('DISTR', 'Distribuição Automática Recursiva', NULL, 'S', 2),
  ('MX08', 'Marmitex Alumínio nº 8', 'MX08', 'S', 3),
  ('MX09', 'Marmitex Alumínio nº 9', 'MX09', 'S', 4),
  ('GN11', 'Cuba Gastronorm 1/1', 'GN11', 'N', 5),
  ('GN12', 'Cuba Gastronorm 1/2', 'GN12', 'N', 6),
  ('CT50', 'Caixa Térmica 50 Litros', 'CT50', 'S', 7);

-- Planning parameters for 0001 and 0002 only: branch 0003 shows the "no planning parameters" path.
INSERT INTO PARAMPLANEJA (CDFILIAL, QTDIASPLANEJ, QTDIASANTECREQ, VRMARGSEGUR, IDCONSCOMENS, IDARREDQTDE) VALUES
  ('0001', 30, 2, 5, 'S', 'N'),
  ('0002', 15, 1, 3, 'S', 'S');

-- Requisition per dish: optional in 0001, required in 0002, no setting in 0003.
INSERT INTO PARAMREQPRAT (CDFILIAL, IDUTREQPRAT, CDTPPRATOFIXO, CDPRATOFIXO, CDTPPRATOPER, CDPRATOPER) VALUES
  ('0001', 'N', NULL, NULL, NULL, NULL),
  ('0002', 'S', '03', '000301', '01', '000101');

-- Services of all four types: corporate (N), hospital (D), outpatient (A) and billing only (F).
INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, NMFANTASSERV, CDGRUPSERV, HRINICATEN, QTCOMESTISEG, QTCOMESTITER, QTCOMESTIQUA, QTCOMESTIQUI, QTCOMESTISEX, QTCOMESTISAB, QTCOMESTIDOM, QTCOMESTIFER, QTCLIESTISEG, QTCLIESTITER, QTCLIESTIQUA, QTCLIESTIQUI, QTCLIESTISEX, QTCLIESTISAB, QTCLIESTIDOM, QTCLIESTIFER, QTFUNESTISEG, QTFUNESTITER, QTFUNESTIQUA, QTFUNESTIQUI, QTFUNESTISEX, QTFUNESTISAB, QTFUNESTIDOM, QTFUNESTIFER, QTDOAESTISEG, QTDOAESTITER, QTDOAESTIQUA, QTDOAESTIQUI, QTDOAESTISEX, QTDOAESTISAB, QTDOAESTIDOM, QTDOAESTIFER, CDPRODUTO, IDFATUSERV, CDROTATRANS, IDTIPOSERV, HRINICSERV, HRFINASERV, VRPESOCUSTO, IDCONSSERVCA, IDSERVTRAN, IDSERVPRINC, IDUTRETIPRAT, IDBLOQALTPRA, IDTPSERVHOSP, CDSERPADDIE, IDSERVATIV, IDCONSCOMFAT, IDVLRVARDATA, CDSERVPREQUI, IDCARDDESCENTR, IDSERVFATSEP, IDBLOQCONFIXPER, HRENTREGA, NMSERVICOREDU, IDBLOQINCPRODRETIPLA) VALUES
  ('0001', '00001', 'Almoço', 'Almoço Executivo Metalpaulista', '001', '0930', 345, 355, 350, 345, 325, 140, 0, 70, 300, 310, 305, 300, 280, 120, 0, 60, 40, 40, 40, 40, 40, 20, 0, 10, 5, 5, 5, 5, 5, 0, 0, 0, '1001', 'N', '000001', 'N', '1100', '1430', '10', 'N', 'S', 'S', 'N', 'N', NULL, NULL, 'S', 'N', 'N', NULL, 'N', 'N', 'N', '1045', 'Almoço', 'N'),
  ('0001', '00002', 'Jantar', 'Jantar dos Turnos Noturnos', '001', '1600', 130, 130, 130, 130, 130, 70, 70, 40, 120, 120, 120, 120, 120, 60, 60, 30, 10, 10, 10, 10, 10, 10, 10, 10, 0, 0, 0, 0, 0, 0, 0, 0, '1002', 'N', '000002', 'N', '1800', '2100', '08', 'N', 'N', 'N', 'N', 'N', NULL, NULL, 'S', 'N', 'N', NULL, 'N', 'N', 'N', NULL, 'Jantar', 'N'),
  ('0001', '00003', 'Desjejum', NULL, '002', '0530', 200, 200, 200, 200, 200, 80, 0, 40, 200, 200, 200, 200, 200, 80, 0, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '1003', 'N', NULL, 'N', '0630', '0830', '03', 'N', 'N', 'N', 'N', 'N', NULL, NULL, 'S', 'N', 'N', '00001', 'N', 'N', 'N', NULL, 'Desjejum', 'N'),
  ('0001', '00090', 'Faturamento Refeições Metal.', NULL, '004', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, '1001', 'S', NULL, 'F', NULL, NULL, NULL, 'N', 'N', 'N', 'N', 'N', NULL, NULL, 'N', 'N', 'N', NULL, 'N', 'N', 'N', NULL, 'Fat. Refeições', 'N'),
  ('0002', '00001', 'Almoço', 'Almoço Quimicamp', '001', '1000', 165, 165, 165, 165, 165, 55, 0, 22, 150, 150, 150, 150, 150, 50, 0, 20, 15, 15, 15, 15, 15, 5, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, '1001', 'N', '000003', 'N', '1130', '1400', '10', 'N', 'S', 'S', 'S', 'S', NULL, NULL, 'S', 'N', 'N', NULL, 'N', 'N', 'N', '1100', 'Almoço', 'N'),
  ('0002', '00004', 'Lanche da Tarde', NULL, '002', '1400', 80, 80, 80, 80, 80, 0, 0, 0, 80, 80, 80, 80, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '1004', 'N', NULL, 'N', '1500', '1600', '02', 'N', 'N', 'N', 'S', 'S', NULL, NULL, 'S', 'N', 'N', NULL, 'N', 'N', 'N', NULL, 'Lanche', 'N'),
  ('0003', '00010', 'Dieta Hospitalar Geral', 'Dietas de Internação', '003', '0600', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, '1101', 'N', NULL, 'D', '0700', '1900', '10', 'N', 'N', 'S', 'N', 'N', '0', '001', 'S', 'N', 'N', NULL, 'N', 'N', 'N', NULL, 'Dieta Geral', 'N'),
  ('0003', '00011', 'Dieta Ambulatorial', 'Ambulatório de Nutrição', '003', '0700', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, '1102', 'N', NULL, 'A', '0800', '1700', '05', 'N', 'N', 'N', 'N', 'N', '0', '002', 'S', 'N', 'N', NULL, 'N', 'N', 'N', NULL, 'Dieta Ambul.', 'N'),
  ('0003', '00091', 'Faturamento Dietas', NULL, '004', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, '1101', 'S', NULL, 'F', NULL, NULL, NULL, 'N', 'N', 'N', 'N', 'N', NULL, NULL, 'N', 'N', 'N', NULL, 'N', 'N', 'N', NULL, 'Fat. Dietas', 'N');

-- Billing by equivalence.
INSERT INTO SERVFATU (CDFILIAL, CDSERVFILI, CDSERVICFATURAM) VALUES
  ('0001', '00001', '00090'),
  ('0001', '00002', '00090'),
  ('0003', '00010', '00091');

-- Effective billing entries: the equivalence 0001/00001 -> 00090 cannot be removed.
INSERT INTO EFETSERVFAT (CDFILIAL, CDSERVICFATURAM, CDSERVFILI, DTEFETIVO, QTEFETIVO, VREFETIVO) VALUES
  ('0001', '00090', '00001', '2026-11-27', 352, 6512),
  ('0001', '00090', '00001', '2026-11-30', 348, 6438),
  ('0001', '00090', '00001', '2026-12-01', 355, 6567.5);

-- Shifts of every corporate service; per day they add up to the service's estimated total.
INSERT INTO TURNOSERV (CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO, QTCOMESTTSEG, QTCOMESTTTER, QTCOMESTTQUA, QTCOMESTTQUI, QTCOMESTTSEX, QTCOMESTTSAB, QTCOMESTTDOM, QTCOMESTTFER) VALUES
  ('0001', '00001', '1', '1º Turno', 207, 213, 210, 207, 195, 84, 0, 42),
  ('0001', '00001', '2', '2º Turno', 138, 142, 140, 138, 130, 56, 0, 28),
  ('0001', '00002', '1', '1º Turno', 80, 80, 80, 80, 80, 40, 40, 25),
  ('0001', '00002', '2', '2º Turno', 50, 50, 50, 50, 50, 30, 30, 15),
  ('0001', '00003', '1', 'Madrugada', 120, 120, 120, 120, 120, 50, 0, 24),
  ('0001', '00003', '2', 'Manhã', 80, 80, 80, 80, 80, 30, 0, 16),
  ('0002', '00001', '1', '1º Turno', 75, 75, 75, 75, 75, 25, 0, 10),
  ('0002', '00001', '2', '2º Turno', 60, 60, 60, 60, 60, 20, 0, 8),
  ('0002', '00001', '3', '3º Turno', 30, 30, 30, 30, 30, 10, 0, 4),
  ('0002', '00004', '1', 'Tarde', 50, 50, 50, 50, 50, 0, 0, 0),
  ('0002', '00004', '2', 'Noite', 30, 30, 30, 30, 30, 0, 0, 0);

-- Standard costs from 2026-09 to 2027-02 around the processing month 2026-12.
INSERT INTO CUSTPADR (CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR) VALUES
  ('0001', '00001', '2026-09-01', 18.5),
  ('0001', '00001', '2026-10-01', 18.87),
  ('0001', '00001', '2026-11-01', 19.24),
  ('0001', '00001', '2026-12-01', 19.61),
  ('0001', '00001', '2027-01-01', 19.98),
  ('0001', '00001', '2027-02-01', 20.35),
  ('0001', '00002', '2026-11-01', 12.4),
  ('0001', '00002', '2026-12-01', 12.9),
  ('0001', '00002', '2027-01-01', 13.1),
  ('0003', '00010', '2026-11-01', 25),
  ('0003', '00010', '2026-12-01', 26.5),
  ('0003', '00010', '2027-01-01', 27),
  ('0002', '00001', '2026-12-01', 17.2);

INSERT INTO CUSTPADRTP (CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDTIPOPRAT, VRCUSTPADRTP) VALUES
  ('0001', '00001', '2026-09-01', '01', 2),
  ('0001', '00001', '2026-09-01', '02', 1.8),
  ('0001', '00001', '2026-09-01', '03', 8.5),
  ('0001', '00001', '2026-09-01', '04', 2.2),
  ('0001', '00001', '2026-09-01', '05', 1.5),
  ('0001', '00001', '2026-09-01', '06', 1.5),
  ('0001', '00001', '2026-09-01', '07', 1),
  ('0001', '00001', '2026-10-01', '01', 2.04),
  ('0001', '00001', '2026-10-01', '02', 1.836),
  ('0001', '00001', '2026-10-01', '03', 8.67),
  ('0001', '00001', '2026-10-01', '04', 2.244),
  ('0001', '00001', '2026-10-01', '05', 1.53),
  ('0001', '00001', '2026-10-01', '06', 1.53),
  ('0001', '00001', '2026-10-01', '07', 1.02),
  ('0001', '00001', '2026-11-01', '01', 2.08),
  ('0001', '00001', '2026-11-01', '02', 1.872),
  ('0001', '00001', '2026-11-01', '03', 8.84),
  ('0001', '00001', '2026-11-01', '04', 2.288),
  ('0001', '00001', '2026-11-01', '05', 1.56),
  ('0001', '00001', '2026-11-01', '06', 1.56),
  ('0001', '00001', '2026-11-01', '07', 1.04),
  ('0001', '00001', '2026-12-01', '01', 2.12),
  ('0001', '00001', '2026-12-01', '02', 1.908),
  ('0001', '00001', '2026-12-01', '03', 9.01),
  ('0001', '00001', '2026-12-01', '04', 2.332),
  ('0001', '00001', '2026-12-01', '05', 1.59),
  ('0001', '00001', '2026-12-01', '06', 1.59),
  ('0001', '00001', '2026-12-01', '07', 1.06),
  ('0001', '00001', '2027-01-01', '01', 2.16),
  ('0001', '00001', '2027-01-01', '02', 1.944),
  ('0001', '00001', '2027-01-01', '03', 9.18),
  ('0001', '00001', '2027-01-01', '04', 2.376),
  ('0001', '00001', '2027-01-01', '05', 1.62),
  ('0001', '00001', '2027-01-01', '06', 1.62),
  ('0001', '00001', '2027-01-01', '07', 1.08),
  ('0001', '00001', '2027-02-01', '01', 2.2),
  ('0001', '00001', '2027-02-01', '02', 1.98),
  ('0001', '00001', '2027-02-01', '03', 9.35),
  ('0001', '00001', '2027-02-01', '04', 2.42),
  ('0001', '00001', '2027-02-01', '05', 1.65),
  ('0001', '00001', '2027-02-01', '06', 1.65),
  ('0001', '00001', '2027-02-01', '07', 1.1),
  ('0003', '00010', '2026-11-01', '01', 3),
  ('0003', '00010', '2026-11-01', '02', 3),
  ('0003', '00010', '2026-11-01', '03', 12),
  ('0003', '00010', '2026-11-01', '08', 4),
  ('0003', '00010', '2026-11-01', '06', 3),
  ('0003', '00010', '2026-12-01', '01', 3),
  ('0003', '00010', '2026-12-01', '02', 3),
  ('0003', '00010', '2026-12-01', '03', 13),
  ('0003', '00010', '2026-12-01', '08', 4.5),
  ('0003', '00010', '2026-12-01', '06', 3),
  ('0003', '00010', '2027-01-01', '01', 3),
  ('0003', '00010', '2027-01-01', '02', 3),
  ('0003', '00010', '2027-01-01', '03', 13.5),
  ('0003', '00010', '2027-01-01', '08', 4.5),
  ('0003', '00010', '2027-01-01', '06', 3);

-- Default menu configuration: the aggregate branch 0002 carries the central lines of the same service code.
INSERT INTO CNFCARD (CDFILIAL, CDSERVFILI, NRSEQCNFCARD, NRORDCNFCARD, CDTIPOPRAT, IDOPCCNFCARD, IDIMPCNFCARD, NRPAGCNFCARD, VRPERCOMCARD, DSOBSCNFCARD, DSCOMPLTP, IDTPPRATEXTR, IDVISUTPEXTR, IDCONCNFCARD, IDTPPRATSEGP, IDTPPRATTERP, IDTPPRATQUAP, IDTPPRATQUIP, IDTPPRATSEXP, IDTPPRATSABP, IDTPPRATDOMP, IDTPPRATFERP, IDALTERCARD) VALUES
  ('0001', '00001', 1, 1, '01', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00001', 2, 2, '02', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00001', 3, 3, '03', 'N', 'S', 2, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00001', 4, 4, '03', 'S', 'S', 2, 0, 'Opção do dia', NULL, 'N', 'S', 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00001', 5, 5, '04', 'N', 'S', 3, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00001', 6, 6, '05', 'N', 'S', 3, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00001', 7, 7, '06', 'N', 'S', 4, 0, 'Somente dias úteis', NULL, 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'N', 'N', 'N', 'A'),
  ('0001', '00001', 8, 8, '07', 'N', 'N', 0, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0002', '00001', 1, 1, '01', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0002', '00001', 2, 2, '02', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0002', '00001', 3, 3, '03', 'N', 'S', 2, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0002', '00001', 4, 4, '03', 'S', 'S', 2, 0, 'Opção do dia', NULL, 'N', 'S', 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0002', '00001', 5, 5, '04', 'N', 'S', 3, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0002', '00001', 6, 6, '05', 'N', 'S', 3, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0002', '00001', 7, 7, '06', 'N', 'S', 4, 0, 'Somente dias úteis', NULL, 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'N', 'N', 'N', 'I'),
  ('0002', '00001', 8, 8, '07', 'N', 'N', 0, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'I'),
  ('0003', '00010', 1, 1, '08', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00010', 2, 2, '01', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00010', 3, 3, '02', 'N', 'S', 2, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00010', 4, 4, '03', 'N', 'S', 2, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00010', 5, 5, '06', 'N', 'S', 3, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A');

-- The other planned services carry their own lines.
INSERT INTO CNFCARD (CDFILIAL, CDSERVFILI, NRSEQCNFCARD, NRORDCNFCARD, CDTIPOPRAT, IDOPCCNFCARD, IDIMPCNFCARD, NRPAGCNFCARD, VRPERCOMCARD, DSOBSCNFCARD, DSCOMPLTP, IDTPPRATEXTR, IDVISUTPEXTR, IDCONCNFCARD, IDTPPRATSEGP, IDTPPRATTERP, IDTPPRATQUAP, IDTPPRATQUIP, IDTPPRATSEXP, IDTPPRATSABP, IDTPPRATDOMP, IDTPPRATFERP, IDALTERCARD) VALUES
  ('0001', '00002', 1, 1, '08', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00002', 2, 2, '03', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00002', 3, 3, '04', 'N', 'S', 2, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00002', 4, 4, '06', 'N', 'S', 2, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00003', 1, 1, '09', 'N', 'S', 1, 0, NULL, 'na chapa', 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00003', 2, 2, '10', 'N', 'S', 1, 0, 'Café com leite', NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0001', '00003', 3, 3, '06', 'S', 'N', 0, 0, 'Fruta da estação', NULL, 'N', 'S', 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0002', '00004', 1, 1, '09', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0002', '00004', 2, 2, '07', 'N', 'S', 1, 0, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00011', 1, 1, '08', 'N', 'S', 1, 5, NULL, NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00011', 2, 2, '03', 'N', 'S', 1, 10, 'Dieta leve', NULL, 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A'),
  ('0003', '00011', 3, 3, '07', 'S', 'S', 2, 0, NULL, 'sem açúcar', 'N', 'S', 'N', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'S', 'A');

-- Planned menus in 2026-12 for 0001/00001: its December standard cost cannot be deleted.
INSERT INTO CARDADIA (CDFILIAL, CDSERVFILI, DTCARDADIA, NRSEQCNFCARD, CDTIPOPRAT, CDPRATO, QTCOMENSAIS) VALUES
  ('0001', '00001', '2026-12-01', 1, '01', '000101', 345),
  ('0001', '00001', '2026-12-02', 1, '01', '000101', 345),
  ('0001', '00001', '2026-12-03', 1, '01', '000101', 345),
  ('0001', '00001', '2026-12-01', 3, '03', '000301', 345),
  ('0001', '00001', '2026-12-02', 3, '03', '000302', 345),
  ('0001', '00001', '2026-12-03', 3, '03', '000303', 345);

INSERT INTO CONSPRODSERV (CDFILIAL, CDSERVFILI, CDPRODUTO, DTINICONSUMO, IDTPCONSUMO, QTCONSUMO) VALUES
  ('0001', '00001', '2101', '2026-11-01', 'P', 0.12),
  ('0001', '00001', '2102', '2026-11-01', 'P', 0.08),
  ('0001', '00001', '2001', '2026-11-01', 'F', 5);

-- Estimated diners per diet of the hospital and outpatient services.
INSERT INTO DIETSERV (CDFILIAL, CDSERVFILI, CDDIETPAD, QTCLIDIETSEG, QTCLIDIETTER, QTCLIDIETQUA, QTCLIDIETQUI, QTCLIDIETSEX, QTCLIDIETSAB, QTCLIDIETDOM, QTCLIDIETFER, QTFUNDIETSEG, QTFUNDIETTER, QTFUNDIETQUA, QTFUNDIETQUI, QTFUNDIETSEX, QTFUNDIETSAB, QTFUNDIETDOM, QTFUNDIETFER, QTDOADIETSEG, QTDOADIETTER, QTDOADIETQUA, QTDOADIETQUI, QTDOADIETSEX, QTDOADIETSAB, QTDOADIETDOM, QTDOADIETFER, QTCOMDIETSEG, QTCOMDIETTER, QTCOMDIETQUA, QTCOMDIETQUI, QTCOMDIETSEX, QTCOMDIETSAB, QTCOMDIETDOM, QTCOMDIETFER) VALUES
  ('0003', '00010', '0001', 80, 80, 80, 80, 80, 80, 80, 80, 20, 20, 20, 20, 20, 20, 20, 20, 0, 0, 0, 0, 0, 0, 0, 0, 100, 100, 100, 100, 100, 100, 100, 100),
  ('0003', '00010', '0002', 25, 25, 25, 25, 25, 25, 25, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 25, 25, 25, 25, 25, 25, 25, 25),
  ('0003', '00010', '0003', 12, 12, 12, 12, 12, 12, 12, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 12, 12, 12, 12, 12, 12, 12),
  ('0003', '00010', '0005', 18, 18, 18, 18, 18, 18, 18, 18, 2, 2, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 20, 20, 20, 20, 20, 20, 20, 20),
  ('0003', '00011', '0001', 40, 40, 40, 40, 40, 0, 0, 0, 5, 5, 5, 5, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 45, 45, 45, 45, 45, 0, 0, 0);

-- Clients and delivery points of the transported corporate services.
INSERT INTO DESTSRVCLI (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, QTCOESTCSSEG, QTCOESTCSTER, QTCOESTCSQUA, QTCOESTCSQUI, QTCOESTCSSEX, QTCOESTCSSAB, QTCOESTCSDOM, QTCOESTCSFER) VALUES
  ('0001', '00001', '000001', '001', 150, 155, 150, 150, 140, 60, 0, 30),
  ('0001', '00001', '000001', '002', 100, 105, 105, 100, 90, 40, 0, 20),
  ('0001', '00001', '000002', '003', 50, 50, 50, 50, 50, 20, 0, 10),
  ('0002', '00001', '000003', '001', 90, 90, 90, 90, 90, 30, 0, 12),
  ('0002', '00001', '000003', '002', 60, 60, 60, 60, 60, 20, 0, 8);

-- Delivery points of the other corporate services: the dinner of 0001 served at one refectory
-- for the bank, the afternoon snack of 0002 at the industrial gate; their day figures are the
-- services' client estimates.
INSERT INTO DESTSRVCLI (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, QTCOESTCSSEG, QTCOESTCSTER, QTCOESTCSQUA, QTCOESTCSQUI, QTCOESTCSSEX, QTCOESTCSSAB, QTCOESTCSDOM, QTCOESTCSFER) VALUES
  ('0001', '00002', '000002', '002', 120, 120, 120, 120, 120, 60, 60, 30),
  ('0002', '00004', '000003', '001', 80, 80, 80, 80, 80, 0, 0, 0);

-- Distribution: service level of 0001/00001 in two packages; delivery point 000001/002 automatic.
INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV, CDCONTAINER) VALUES
  ('0001', '00001', '', '', 1, 'MX08', 'MX08'),
  ('0001', '00001', '', '', 2, 'GN12', 'GN12'),
  ('0001', '00001', '000001', '002', 1, 'DIST', NULL);

INSERT INTO CNFDISTEMBTP (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD, NRGRUPO) VALUES
  ('0001', '00001', '', '', 1, 1),
  ('0001', '00001', '', '', 2, 1),
  ('0001', '00001', '', '', 3, 1),
  ('0001', '00001', '', '', 5, 1),
  ('0001', '00001', '', '', 6, 1),
  ('0001', '00001', '', '', 7, 2),
  ('0001', '00001', '000001', '002', 1, 1),
  ('0001', '00001', '000001', '002', 2, 1);

-- Collective-packaging restrictions of rice (service level) and of the main dish at 000001/001.
INSERT INTO RESTEMBTPPRAT (NRRESTEMBTPPRAT, CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD) VALUES
  (1, '0001', '00001', '', '', 1),
  (2, '0001', '00001', '000001', '001', 3);

INSERT INTO RESTEMBCONT (NRRESTEMBTPPRAT, CDCONTAINER, VRMINCONTAINER, NRORDEM) VALUES
  (1, 'GN11', 2, 1),
  (1, 'GN12', NULL, 999999),
  (2, 'CT50', 1, 1);

INSERT INTO SEQUENCIA (NMSEQUENCIA, NRULTVALOR) VALUES
  ('RESTEMBTPPRAT', 2),
  ('LISTCUSTPADR', 0);
