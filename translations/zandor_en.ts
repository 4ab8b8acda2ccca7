<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>BoardAccessible</name>
    <message>
        <source>Spielfeld</source>
        <translation>Board</translation>
    </message>
    <message>
        <source>Feld %1: leer</source>
        <translation>Field %1: empty</translation>
    </message>
    <message>
        <source>Feld %1: Teil %2</source>
        <translation>Field %1: tile %2</translation>
    </message>
</context>
<context>
    <name>DescriptionText</name>
    <message>
        <source>[F1]...Info</source>
        <translation>[F1]...About Zandor</translation>
    </message>
    <message>
        <source>[F2]...Neu starten</source>
        <translation>[F2]...New Game</translation>
    </message>
    <message>
        <source>[F3]...Bild ändern</source>
        <translation>[F3]...Change Picture</translation>
    </message>
    <message>
        <source>[Umschalt+F3]...Bild zuschneiden ein/ausschalten</source>
        <translation>[Shift+F3]...Crop Picture on/off</translation>
    </message>
    <message>
        <source>[F4]...Tipp</source>
        <translation>[F4]...Hint</translation>
    </message>
    <message>
        <source>[F5]...Spielstand speichern</source>
        <translation>[F5]...Save Game</translation>
    </message>
    <message>
        <source>[F6]...Spielstand laden</source>
        <translation>[F6]...Load Game</translation>
    </message>
    <message>
        <source>[F7]...Vorschau ein/ausschalten</source>
        <translation>[F7]...Show/Hide Preview</translation>
    </message>
    <message>
        <source>[F8]...Positionsanzeige ein/ausschalten</source>
        <translation>[F8]...Show/Hide Position</translation>
    </message>
    <message>
        <source>[F9]...Lösung zeigen</source>
        <translation>[F9]...Show Solution</translation>
    </message>
    <message>
        <source>[F11]...Bestenliste anzeigen</source>
        <translation>[F11]...Top Ten</translation>
    </message>
    <message>
        <source>[F12]...Programm Beschreibung</source>
        <translation>[F12]...How to Play</translation>
    </message>
    <message>
        <source>[Strg+Z]...Zug zurück</source>
        <translation>[Ctrl+Z]...Undo Move</translation>
    </message>
    <message>
        <source>[Strg+Umschalt+F]...Vollbild ein/ausschalten</source>
        <translation>[Ctrl+Shift+F]...Full Screen on/off</translation>
    </message>
    <message>
        <source>Ein Stein wird mit der Maus auf das leere Feld
daneben gezogen. Jedes Ablegen auf dem leeren
Feld zählt als Zug, auch wenn der Stein von
weiter weg kommt und darum liegen bleibt.</source>
        <translation>Drag a tile with the mouse onto the empty field
next to it. Every drop on the empty field counts
as a move, even when the tile comes from further
away and so stays where it was.</translation>
    </message>
    <message>
        <source>Ein Klick auf einen Stein in der Zeile oder Spalte
des leeren Feldes schiebt ihn und alle Steine
dazwischen, jeden Stein als einen Zug.
Die Pfeiltasten schieben den Stein neben dem
leeren Feld in Pfeilrichtung hinein.</source>
        <translation>Click a tile in the empty field&apos;s row or column
to slide it and every tile in between, one move
per tile. The arrow keys slide the tile next to
the empty field into it, the way the arrow points.</translation>
    </message>
    <message>
        <source>&quot;Tipp&quot; (F4) zeigt den nächsten Zug einer
kürzesten Lösung, &quot;Lösung zeigen&quot; (F9) spielt
sie vor, bis eine Taste oder ein Klick sie anhält.
Ein Spiel mit Tipp oder Lösung kommt nicht in
die Bestenliste.</source>
        <translation>&quot;Hint&quot; (F4) marks the next move of a shortest
solution; &quot;Show Solution&quot; (F9) plays one out
until a key or a click stops it. A game helped
by a hint or a solution does not enter the
top ten.</translation>
    </message>
    <message>
        <source>Unter &quot;Optionen&quot; wählt &quot;Spielfeld&quot; ein Brett
von 3 × 3 bis 6 × 6 Feldern; &quot;Nummern&quot; schreibt
jedem Stein seine Nummer auf; &quot;Vollbild&quot;
(Strg+Umschalt+F) füllt den ganzen Bildschirm.</source>
        <translation>In &quot;Options&quot;, &quot;Board Size&quot; picks a board of
3 × 3 to 6 × 6 fields, &quot;Numbers&quot; writes each
tile&apos;s number on it, and &quot;Full Screen&quot;
(Ctrl+Shift+F) fills the whole screen.</translation>
    </message>
    <message>
        <source>Ein angefangenes Spiel geht nicht verloren: es
wird aufbewahrt und beim nächsten Start
fortgesetzt.</source>
        <translation>A game in progress is never lost: it is kept
and goes on at the next start.</translation>
    </message>
    <message>
        <source>Dieses Spiel ist ein kleiness Zandor,
bei dem versucht werden soll,
alle Steine in die richtige Position zu bringen.
Wobei das Feld rechts unten leer bleibt.</source>
        <translation>Zandor is a little sliding puzzle:
bring every tile back to its place,
leaving the bottom-right field empty.</translation>
    </message>
    <message>
        <source>Beim Laden von neuen Bildern,
wird eine Kopie des Bildes in dem Ordner
(%1) angelegt.
Nicht mehr benutzte Bilder sollten aus Platzgründen
von Zeit zu Zeit gelöscht werden.
Gespeicherte Spiele befinden sich im Ordner Saves
(%2)
und werden im Dateimanager gelöscht.</source>
        <translation>Every new picture you choose is copied
into the folder
(%1).
Delete the pictures you no longer use
from there now and then to save space.
Saved games are kept in the folder Saves
(%2);
delete them in the file manager.</translation>
    </message>
    <message>
        <source>Fehler und Anregungen bitte an mich senden.
Die E-Mailadresse befindet sich auf dem info-Formular.</source>
        <translation>Please send me bugs and suggestions:
the e-mail address is in the About window.</translation>
    </message>
    <message>
        <source>Tastaturbelegung</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>So wird gespielt:</source>
        <translation>How to play:</translation>
    </message>
    <message>
        <source>Hinweis:</source>
        <translation>Notes:</translation>
    </message>
    <message>
        <source>Viel Spaß beim Spielen</source>
        <translation>Have fun playing!</translation>
    </message>
    <message>
        <source>&quot;Zug zurück&quot; (Strg+Z) nimmt den letzten Zug
zurück, einen Klick ganz; jeder zurückgeschobene
Stein zählt als Zug. Gleich nach &quot;Neu&quot;,
&quot;Bild ändern&quot;, &quot;Spielfeld&quot; oder &quot;Laden&quot; heißt
er &quot;Spiel zurück&quot; und holt das vorige Spiel
zurück, wie es war.</source>
        <translation>&quot;Undo Move&quot; (Ctrl+Z) takes the last move back,
a click&apos;s slide as a whole; each tile moved back
counts as a move. Right after &quot;New Game&quot;,
&quot;Change Picture&quot;, &quot;Board Size&quot; or &quot;Load Game&quot;
it reads &quot;Back to Previous Game&quot; and brings the
previous game back as it was.</translation>
    </message>
</context>
<context>
    <name>GameTexts</name>
    <message>
        <source>Bestwert: …</source>
        <translation>Best: …</translation>
    </message>
    <message>
        <source>Bestwert: %1</source>
        <translation>Best: %1</translation>
    </message>
    <message>
        <source>Bestwert: unlösbar</source>
        <translation>Best: unsolvable</translation>
    </message>
    <message>
        <source>Bestwert: wird gesucht …</source>
        <translation>Best: searching …</translation>
    </message>
    <message>
        <source>Das laufende Spiel kann nicht gesichert werden.</source>
        <translation>The game in progress cannot be kept.</translation>
    </message>
    <message>
        <source>Die Einstellung kann nicht gespeichert werden.</source>
        <translation>The setting cannot be saved.</translation>
    </message>
    <message>
        <source>Diese Stellung kann nicht gelöst werden:<byte value="xd"/>
kein Zug führt das Bild zusammen.</source>
        <translation>This position cannot be solved:<byte value="xd"/>
no moves put the picture together.</translation>
    </message>
    <message>
        <source>Geschafft! In diesem Spiel wurden ein Tipp benutzt und die Lösung gezeigt,<byte value="xd"/>
deshalb kommt es nicht in die Bestenliste.</source>
        <translation>Well done! In this game a hint was used and the solution shown,<byte value="xd"/>
so it does not go into the top ten.</translation>
    </message>
    <message>
        <source>Geschafft! Dieses Spiel wurde mit Hilfe gespielt (Tipp oder Lösung),<byte value="xd"/>
deshalb kommt es nicht in die Bestenliste.</source>
        <translation>Well done! This game was played with help (a hint or the solution),<byte value="xd"/>
so it does not go into the top ten.</translation>
    </message>
    <message>
        <source>Geschafft! In diesem Spiel wurde die Lösung gezeigt,<byte value="xd"/>
deshalb kommt es nicht in die Bestenliste.</source>
        <translation>Well done! In this game the solution was shown,<byte value="xd"/>
so it does not go into the top ten.</translation>
    </message>
    <message>
        <source>Geschafft! In diesem Spiel wurde ein Tipp benutzt,<byte value="xd"/>
deshalb kommt es nicht in die Bestenliste.</source>
        <translation>Well done! In this game a hint was used,<byte value="xd"/>
so it does not go into the top ten.</translation>
    </message>
    <message>
        <source>Lösung: %1 Züge</source>
        <translation>Solution: %1 moves</translation>
    </message>
</context>
<context>
    <name>Meldung</name>
    <message>
        <source>&amp;Ja</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Nein</source>
        <translation>&amp;No</translation>
    </message>
</context>
<context>
    <name>PictureDialog</name>
    <message>
        <source>Alle Bilder</source>
        <translation>All pictures</translation>
    </message>
    <message>
        <source> JPEG</source>
        <translation>JPEG images</translation>
    </message>
    <message>
        <source>PNG-Bilder</source>
        <translation>PNG images</translation>
    </message>
    <message>
        <source>Windows Bitmap</source>
        <translation>Windows bitmaps</translation>
    </message>
    <message>
        <source>CompuServe Bitmap</source>
        <translation>GIF images</translation>
    </message>
    <message>
        <source>Metafiles</source>
        <translation>Windows metafiles</translation>
    </message>
    <message>
        <source>Alle Dateien</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>Bilderdialog</source>
        <translation>Choose a Picture</translation>
    </message>
</context>
<context>
    <name>PictureMessages</name>
    <message>
        <source>Die Datei kann nicht geöffnet werden.</source>
        <translation>The file cannot be opened.</translation>
    </message>
    <message>
        <source>Die Datei ist kein lesbares Bild.</source>
        <translation>The file is not a picture that can be read.</translation>
    </message>
    <message>
        <source>Das Bild ist zu groß.</source>
        <translation>The picture is too large.</translation>
    </message>
    <message>
        <source>Das Bild <byte value="xd"/>
    %1<byte value="xd"/>
kann nicht gelesen werden.</source>
        <translation>The picture<byte value="xd"/>
    %1<byte value="xd"/>
cannot be read.</translation>
    </message>
    <message>
        <source>Das Bild <byte value="xd"/>
    %1<byte value="xd"/>
kann im angegebenen Pfad nicht gefunden werden.<byte value="xd"/>
<byte value="xd"/>
Es wird ein neues Spiel gestartet!</source>
        <translation>The picture<byte value="xd"/>
    %1<byte value="xd"/>
cannot be found at the given path.<byte value="xd"/>
<byte value="xd"/>
A new game is started.</translation>
    </message>
    <message>
        <source>Das Bild wird beim nächsten Start nicht wieder geladen:<byte value="xd"/>
die Datei<byte value="xd"/>
    %1<byte value="xd"/>
kann nicht geschrieben werden.</source>
        <translation>The picture will not be loaded again at the next start:<byte value="xd"/>
the file<byte value="xd"/>
    %1<byte value="xd"/>
cannot be written.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Zandor kann nicht starten: Die Sperrdatei
    %1
kann nicht geöffnet werden oder ein anderer Benutzer hält sie.</source>
        <translation>Zandor cannot start: the lock file
    %1
cannot be opened, or another user holds it.</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
    <message>
        <source>Dieses Programm ist Freeware,</source>
        <translation>This program is freeware;</translation>
    </message>
    <message>
        <source> wer trotzdem Spenden will, </source>
        <translation> if you would like to donate, </translation>
    </message>
    <message>
        <source>  bitte vorher E-Mail an mich.</source>
        <translation>  please e-mail me first.</translation>
    </message>
    <message>
        <source>       Vielen Dank. </source>
        <translation>       Thank you! </translation>
    </message>
    <message>
        <source>   About</source>
        <translation>   About Zandor</translation>
    </message>
    <message>
        <source>Author:</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>Mail:</source>
        <translation>Mail:</translation>
    </message>
    <message>
        <source>URL:</source>
        <translation>URL:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>frmDescr</name>
    <message>
        <source>   Funktionsbeschreibung</source>
        <translation>   How to Play</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>frmLoad</name>
    <message>
        <source>Bitte einen Namen für den Spielstand eingeben!</source>
        <translation>Please enter a name for the saved game.</translation>
    </message>
    <message>
        <source>Der Name &quot;%1&quot; ist nicht erlaubt!</source>
        <translation>The name &quot;%1&quot; cannot be used.</translation>
    </message>
    <message>
        <source>Der Name darf die Zeichen &quot;/&quot; und &quot;\&quot; nicht enthalten!</source>
        <translation>The name must not contain &quot;/&quot; or &quot;\&quot;.</translation>
    </message>
    <message>
        <source>Der Name darf keine Steuerzeichen enthalten!</source>
        <translation>The name must not contain control characters.</translation>
    </message>
    <message>
        <source>Zeile %1 ist keine ganze Zahl zwischen -32768 und 32767.</source>
        <translation>Line %1 is not a whole number from -32768 to 32767.</translation>
    </message>
    <message>
        <source>Die Datei kann nicht gelesen werden.</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>Die Datei ist zu groß für einen Spielstand.</source>
        <translation>The file is too large for a saved game.</translation>
    </message>
    <message>
        <source>Der Spielstand kann nicht gespeichert werden:
    %1</source>
        <translation>The game cannot be saved:
    %1</translation>
    </message>
    <message>
        <source>Die Datei
    %1
kann nicht gelöscht werden!</source>
        <translation>The file
    %1
cannot be deleted.</translation>
    </message>
    <message>
        <source>Gespeicherte Spiele</source>
        <translation>Saved games</translation>
    </message>
    <message>
        <source>Name des Spielstands</source>
        <translation>Name of the saved game</translation>
    </message>
    <message>
        <source> &amp;Speichern</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>L&amp;öschen</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>&amp;Abbrechen</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>&amp;Laden</source>
        <translation>&amp;Load</translation>
    </message>
    <message>
        <source>  Laden</source>
        <translation>  Load Game</translation>
    </message>
    <message>
        <source>Es gibt keine gespeicherten Spiele!</source>
        <translation>There are no saved games.</translation>
    </message>
    <message>
        <source>&amp;Speichern</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>  Speichern</source>
        <translation>  Save Game</translation>
    </message>
    <message>
        <source>Der Ordner
    %1
kann nicht angelegt werden!</source>
        <translation>The folder
    %1
cannot be created.</translation>
    </message>
    <message>
        <source>Die Datei
    %1
ist kein gültiger Spielstand.

%2</source>
        <translation>The file
    %1
is not a valid saved game.

%2</translation>
    </message>
    <message>
        <source>Datei nicht gefunden!</source>
        <translation>File not found.</translation>
    </message>
    <message>
        <source>Die Datei hat %1 Zeilen; ein Spielstand hat 13, 20, 29 oder 40 Zeilen (nach einer Hilfe eine mehr).</source>
        <translation>The file has %1 lines; a saved game has 13, 20, 29 or 40 lines (one more after help was used).</translation>
    </message>
    <message>
        <source>Die Zeilen 1 bis %1 ergeben kein Spielfeld: jeder Stein von 0 bis %2 muss genau einmal vorkommen und das leere Feld (100 oder %3) genau einmal.</source>
        <translation>Lines 1 to %1 are not a board: each tile from 0 to %2 must appear exactly once, and the empty field (100 or %3) exactly once.</translation>
    </message>
    <message>
        <source>Zeile %1 ist zu lang für den Pfad eines Bildes.</source>
        <translation>Line %1 is too long for the path of a picture.</translation>
    </message>
    <message>
        <source>%1   (%2 × %2)</source>
        <translation>%1   (%2 × %2)</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Züge</source>
        <translation>Moves</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>&amp;Datei</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Neu</source>
        <translation>New Game</translation>
    </message>
    <message>
        <source>Bild ändern</source>
        <translation>Change Picture</translation>
    </message>
    <message>
        <source>Speichern</source>
        <translation>Save Game</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load Game</translation>
    </message>
    <message>
        <source>Beenden</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>&amp;Optionen</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>Vorschau ein</source>
        <translation>Show Preview</translation>
    </message>
    <message>
        <source>Positionsanzeige ein</source>
        <translation>Show Position</translation>
    </message>
    <message>
        <source>Tipp</source>
        <translation>Hint</translation>
    </message>
    <message>
        <source>Zug zurück</source>
        <translation>Undo Move</translation>
    </message>
    <message>
        <source>Lösung zeigen</source>
        <translation>Show Solution</translation>
    </message>
    <message>
        <source>Bild zuschneiden</source>
        <translation>Crop Picture</translation>
    </message>
    <message>
        <source>Top Ten</source>
        <translation>Top Ten</translation>
    </message>
    <message>
        <source>Hilfe</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>About Zandor</translation>
    </message>
    <message>
        <source>Beschreibung</source>
        <translation>How to Play</translation>
    </message>
    <message>
        <source>Spiel zurück</source>
        <translation>Back to Previous Game</translation>
    </message>
    <message>
        <source>Vorschau aus</source>
        <translation>Hide Preview</translation>
    </message>
    <message>
        <source>Positionsanzeige aus</source>
        <translation>Hide Position</translation>
    </message>
    <message>
        <source>Spielfeld</source>
        <translation>Board Size</translation>
    </message>
    <message>
        <source>%1 × %1</source>
        <translation>%1 × %1</translation>
    </message>
    <message>
        <source>Nummern</source>
        <translation>Numbers</translation>
    </message>
    <message>
        <source>Vollbild</source>
        <translation>Full Screen</translation>
    </message>
</context>
<context>
    <name>frmTopTen</name>
    <message>
        <source>Die Bestenliste konnte nicht gespeichert werden.</source>
        <translation>The top ten could not be saved.</translation>
    </message>
    <message>
        <source>Die Bestenliste konnte nicht gelesen werden.</source>
        <translation>The top ten could not be read.</translation>
    </message>
    <message>
        <source>    Top Ten</source>
        <translation>    Top Ten</translation>
    </message>
    <message>
        <source>Highscores</source>
        <translation>High Scores</translation>
    </message>
    <message>
        <source>Liste &amp;löschen</source>
        <translation>&amp;Clear List</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>High Scores</source>
        <translation>High Scores</translation>
    </message>
    <message>
        <source>Glückwunsch, Du hast das Zandor geschaft.</source>
        <translation>Congratulations, you have solved the puzzle!</translation>
    </message>
    <message>
        <source> Gib deinen Namen ein: </source>
        <translation> Enter your name: </translation>
    </message>
    <message>
        <source>Soll die Bestenliste wirklich gelöscht werden?</source>
        <translation>Do you really want to clear the high score list?</translation>
    </message>
    <message>
        <source>Highscores %1 × %1</source>
        <translation>High Scores %1 × %1</translation>
    </message>
</context>
</TS>
