-- The demo database of Vorlan: goods, customers, orders, new goods, a view over the
-- orders and the SONGBASE table. The same data as ukázka.xlsx; both are written by
-- make_examples.py. Run it in an empty database, e.g.:
--   mariadb -u user -p mydatabase < ukázka_mariadb.sql
-- (./dev demo does this on a server of its own.)
SET NAMES utf8mb4;
CREATE TABLE zboží (
    Kód INT PRIMARY KEY,
    Název VARCHAR(60) NOT NULL,
    Cena DECIMAL(10,2),
    Hmotnost DOUBLE,
    Skladem INT,
    Naskladněno DATE
) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
INSERT INTO zboží VALUES
(1001, 'Chléb žitný kmínový', 42.90, 1.2, 25, '2024-04-02'),
(1002, 'Máslo čerstvé 250 g', 59.90, 0.25, 40, '2024-04-03'),
(1003, 'Sýr eidam 30 %', 36.50, 0.1, 18, '2024-03-28'),
(1004, 'Mléko polotučné', 24.90, 1.0, 60, '2024-04-03'),
(1005, 'Rohlík tukový', 3.50, 0.043, 300, '2024-04-03'),
(1006, 'Jogurt bílý řecký', 19.90, 0.14, 35, '2024-04-01'),
(1007, 'Káva zrnková Šťastný den', 289.00, 1.0, 8, '2024-02-29'),
(1008, 'Čaj šípkový', 45.00, 0.04, 22, '2024-01-15'),
(1009, 'Med květový od Úlehlů', 165.00, 0.95, 12, '2023-10-09'),
(1010, 'Švestková povidla', 98.50, 0.4, 0, '2023-12-01');
CREATE TABLE odběratelé (
    Číslo INT PRIMARY KEY,
    Jméno VARCHAR(60) NOT NULL,
    Město VARCHAR(40),
    Telefon VARCHAR(20)
) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
INSERT INTO odběratelé VALUES
(1, 'Pekařství Novák', 'Brno', '+420 541 111 222'),
(2, 'Jídelna U Šťastných', 'Ostrava', '+420 596 333 444'),
(3, 'Hana Dvořáková', 'Plzeň', NULL),
(4, 'Kavárna Žluťoučký kůň', 'Praha', '+420 222 555 666'),
(5, 'Úlehla a syn, s. r. o.', 'Olomouc', '+420 585 777 888'),
(6, 'Statek Řepiště', 'Řepiště', NULL);
CREATE TABLE objednávky (
    Číslo INT PRIMARY KEY,
    Odběratel INT NOT NULL REFERENCES odběratelé (Číslo),
    Kód INT NOT NULL REFERENCES zboží (Kód),
    Množství INT NOT NULL,
    Vytvořeno DATETIME,
    Poznámka VARCHAR(80)
) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
INSERT INTO objednávky VALUES
(24001, 1, 1004, 20, '2024-04-03 06:15:00', 'ráno do 7:00'),
(24002, 1, 1002, 10, '2024-04-03 06:16:00', NULL),
(24003, 2, 1001, 12, '2024-04-03 09:40:00', 'krájený'),
(24004, 2, 1005, 150, '2024-04-03 09:41:00', NULL),
(24005, 3, 1009, 2, '2024-04-04 14:05:00', 'dárkové balení'),
(24006, 4, 1007, 3, '2024-04-05 08:00:00', NULL),
(24007, 4, 1006, 12, '2024-04-05 08:02:00', 'bez cukru; jen řecký'),
(24008, 5, 1003, 6, '2024-04-08 11:30:00', NULL),
(24009, 6, 1010, 4, '2024-04-09 16:45:00', 'čeká na naskladnění');
CREATE TABLE novinky (
    Číslo INT PRIMARY KEY,
    Popis VARCHAR(60),
    Cena DECIMAL(10,2),
    Váha DOUBLE,
    Kusů INT,
    Dodáno DATE
) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
INSERT INTO novinky VALUES
(2001, 'Perník s povidly', 54.00, 0.3, 15, '2024-04-10'),
(2002, 'Tvaroh měkký', 27.90, 0.25, 30, '2024-04-10'),
(2003, 'Ořechy vlašské', 129.00, 0.2, 10, '2024-04-11');
CREATE VIEW přehled_objednávek AS
SELECT o.Číslo, o.Vytvořeno, d.Jméno AS Odběratel, z.Název AS Zboží, o.Množství, z.Cena,
       o.Množství * z.Cena AS Částka
FROM objednávky o
JOIN odběratelé d ON d.Číslo = o.Odběratel
JOIN zboží z ON z.Kód = o.Kód;
CREATE TABLE SONGBASE (
    SBCISLO INT PRIMARY KEY,
    SBNAZEV VARCHAR(80) NOT NULL,
    SBINTERPRET VARCHAR(80),
    SBTONINA VARCHAR(8),
    SBSOUNDS TEXT,
    SBCHORDS TEXT,
    SBLINK VARCHAR(200),
    SBNOTE TEXT
) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
INSERT INTO SONGBASE VALUES
(1, 'Koupím já si koně vraný', 'lidová', 'G', 'kytara, harmonika', 'G D7 G\nC G D7 G',
 'https://www.youtube.com/results?search_query=koupím+já+si+koně+vraný', 'Zpívá se volně, druhá sloka pomaleji.'),
(2, 'Ach synku, synku', 'lidová', 'Dmi', 'kytara', 'Dmi A7 Dmi\nGmi Dmi A7 Dmi',
 'https://www.youtube.com/results?search_query=ach+synku+synku', 'Moravská píseň; v mollové tónině.'),
(3, 'Teče voda, teče', 'lidová', 'D', 'kytara, housle', 'D A7 D\nG D A7 D',
 'https://www.youtube.com/results?search_query=teče+voda+teče', NULL),
(4, 'Okolo Hradce', 'lidová', 'C', 'klavír', 'C G7 C\nF C G7 C',
 'https://www.youtube.com/results?search_query=okolo+hradce', 'Hradec Králové, ne Jindřichův.'),
(5, 'Slavíci z Madridu', 'Waldemar Matuška', 'Ami', 'kytara, trubka', 'Ami Dmi E7 Ami\nG7 C E7 Ami',
 'https://www.youtube.com/results?search_query=slavíci+z+madridu', 'Refrén dvakrát.'),
(6, 'Černé oči, jděte spát', 'lidová', 'E', 'kytara', 'E H7 E\nA E H7 E',
 'https://www.youtube.com/results?search_query=černé+oči+jděte+spát', 'Ukolébavka.');
