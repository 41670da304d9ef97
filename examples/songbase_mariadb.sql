-- The SONGBASE table with a few Czech songs, to try the SongBase editor on MySQL or MariaDB.
-- Run it in the database you connect Vorlan to, e.g.:
--   mariadb -u user -p mydatabase < songbase_mariadb.sql
-- The table name must stay in capitals: the editor is offered only for a table named SONGBASE.
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
