<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QObject</name>
    <message>
        <source>Fingerprint Authenticate</source>
        <translation>Fingerabdruck-Authentifizierung</translation>
    </message>
    <message>
        <source>Key can not be an external authentication</source>
        <translation>Der Schlüssel konnte nicht extern authentifiziert werden</translation>
    </message>
    <message>
        <source>Hexlumina</source>
        <translation>Hexlumina</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <source>Login with cache fail!</source>
        <translation>Anmeldung mit zwischengespeicherten Daten fehlgeschlagen!</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Key locked!</source>
        <translation>Schlüssel gesperrt!</translation>
    </message>
    <message>
        <source>Verify PIN failed, this key will be LOCKED after</source>
        <translation>PIN-Prüfung fehlgeschlagen, der Schlüssel wird nach </translation>
    </message>
    <message>
        <source>failed retry!</source>
        <translation> weiteren Fehlversuchen GESPERRT!</translation>
    </message>
    <message>
        <source>Can NOT verify this key, please check whether this key had been initialized correctly!</source>
        <translation>Dieser Schlüssel kann NICHT geprüft werden. Bitte prüfen Sie, ob er richtig initialisiert wurde!</translation>
    </message>
    <message>
        <source>Please preess finger print to authenticate!</source>
        <translation>Bitte legen Sie zur Authentifizierung einen Finger auf!</translation>
    </message>
    <message>
        <source>No available saved fingerpinrt template!</source>
        <translation>Kein gespeicherter Fingerabdruck vorhanden!</translation>
    </message>
    <message>
        <source>Verify mode is password verify mode,Please input PIN!</source>
        <translation>Der Prüfmodus ist PIN-Prüfung, bitte geben Sie die PIN ein!</translation>
    </message>
    <message>
        <source>Verify PIN failed, this key will be LOCKED after </source>
        <translation>PIN-Prüfung fehlgeschlagen, der Schlüssel wird nach </translation>
    </message>
    <message>
        <source> failed retry!</source>
        <translation> weiteren Fehlversuchen GESPERRT!</translation>
    </message>
    <message>
        <source>Image Acquisition success,
Please wait......</source>
        <translation>Bild erfasst,
Bitte warten......</translation>
    </message>
    <message>
        <source>Security status not satisfied,
Required to log in first......</source>
        <translation>Sicherheitsstatus nicht erfüllt,
Bitte zuerst anmelden......</translation>
    </message>
    <message>
        <source>Poor image quality,
Please re-Waterloo wiping fingerprints......</source>
        <translation>Schlechte Bildqualität,
Bitte Finger erneut auflegen......</translation>
    </message>
    <message>
        <source>Acquisition Instrument dirty,
Please re-Waterloo wiping fingerprints......</source>
        <translation>Sensor verschmutzt,
Bitte Finger erneut auflegen......</translation>
    </message>
    <message>
        <source>Image effective area of small,
Please re-Waterloo wiping fingerprints......</source>
        <translation>Erfasste Fläche zu klein,
Bitte Finger erneut auflegen......</translation>
    </message>
    <message>
        <source>Feature Extraction successful,
Please wait......</source>
        <translation>Merkmale extrahiert,
Bitte warten......</translation>
    </message>
    <message>
        <source>Security status not satisfied,
Required to log in first,Please wait......</source>
        <translation>Sicherheitsstatus nicht erfüllt,
Bitte zuerst anmelden, bitte warten......</translation>
    </message>
    <message>
        <source>Image feature points too little,
Please re-Waterloo wiping fingerprints......</source>
        <translation>Zu wenige Merkmalspunkte,
Bitte Finger erneut auflegen......</translation>
    </message>
    <message>
        <source>Image data not available,
Please re-Waterloo wiping fingerprints......</source>
        <translation>Keine Bilddaten vorhanden,
Bitte Finger erneut auflegen......</translation>
    </message>
    <message>
        <source>Parameter error,
Please re-Waterloo wiping fingerprints......</source>
        <translation>Parameterfehler,
Bitte Finger erneut auflegen......</translation>
    </message>
    <message>
        <source>Login authentication fail,
Fingerprint comparison failure,Please wait......</source>
        <translation>Anmeldung fehlgeschlagen,
Fingerabdruckvergleich fehlgeschlagen, bitte warten......</translation>
    </message>
    <message>
        <source>Login authentication fail,
Fingerprint Identification failure,
Please wait......</source>
        <translation>Anmeldung fehlgeschlagen,
Fingerabdruck nicht erkannt,
Bitte warten......</translation>
    </message>
    <message>
        <source>Login authentication fail,Security status not satisfied,
Required to log in first,Please wait......</source>
        <translation>Anmeldung fehlgeschlagen, Sicherheitsstatus nicht erfüllt,
Bitte zuerst anmelden, bitte warten......</translation>
    </message>
    <message>
        <source>Login authentication fail,
Card locked.</source>
        <translation>Anmeldung fehlgeschlagen,
Karte gesperrt.</translation>
    </message>
    <message>
        <source>Login authentication fail,Poor image quality.</source>
        <translation>Anmeldung fehlgeschlagen, schlechte Bildqualität.</translation>
    </message>
    <message>
        <source>Login authentication fail,
Image feature points too little.</source>
        <translation>Anmeldung fehlgeschlagen,
Zu wenige Merkmalspunkte.</translation>
    </message>
    <message>
        <source>Login authentication fail,
Image effective area of small.</source>
        <translation>Anmeldung fehlgeschlagen,
Erfasste Fläche zu klein.</translation>
    </message>
    <message>
        <source>Login authentication fail,
Image data not available.</source>
        <translation>Anmeldung fehlgeschlagen,
Keine Bilddaten vorhanden.</translation>
    </message>
    <message>
        <source>Login authentication fail,
Template cache feature is not enabled.</source>
        <translation>Anmeldung fehlgeschlagen,
Der Vorlagen-Zwischenspeicher ist nicht eingeschaltet.</translation>
    </message>
    <message>
        <source>Login authentication fail,
There is no effective template cache data.</source>
        <translation>Anmeldung fehlgeschlagen,
Keine gültigen Vorlagen im Zwischenspeicher.</translation>
    </message>
    <message>
        <source>Login authentication fail,
Fingerprint authentication feature is not enabled,
the current model for Password Authentication</source>
        <translation>Anmeldung fehlgeschlagen,
Fingerabdruck-Authentifizierung ist nicht eingeschaltet,
der aktuelle Modus ist PIN-Authentifizierung</translation>
    </message>
    <message>
        <source>Login authentication fail,
Parameter error.</source>
        <translation>Anmeldung fehlgeschlagen,
Parameterfehler.</translation>
    </message>
    <message>
        <source>PIN Password Authentication</source>
        <translation>PIN-Authentifizierung</translation>
    </message>
    <message>
        <source>Entered incorrectly, PIN Password effective length: 2-</source>
        <translation>Falsche Eingabe, gültige PIN-Länge: 2-</translation>
    </message>
    <message>
        <source> character!</source>
        <translation> Zeichen!</translation>
    </message>
    <message>
        <source>Entered incorrectly, PIN Password may only contain letters A-Z and a-z, digits, spaces and ASCII punctuation!</source>
        <translation>Falsche Eingabe, das PIN-Passwort darf nur die Buchstaben A-Z und a-z, Ziffern, Leerzeichen und ASCII-Satzzeichen enthalten!</translation>
    </message>
    <message>
        <source>Please swipe fingerprint......</source>
        <translation>Bitte Finger auflegen......</translation>
    </message>
    <message>
        <source>Ongoing feature extraction,
Please wait......</source>
        <translation>Merkmale werden extrahiert,
Bitte warten......</translation>
    </message>
    <message>
        <source>Login authentication success,
The fingerprint matches No.</source>
        <translation>Anmeldung erfolgreich,
Der Fingerabdruck passt zu Nr. </translation>
    </message>
    <message>
        <source> fingerprint template</source>
        <translation> der Fingerabdruckvorlagen</translation>
    </message>
    <message>
        <source>Card is locked.</source>
        <translation>Die Karte ist gesperrt.</translation>
    </message>
    <message>
        <source>Authentication failure may retry number:</source>
        <translation>Authentifizierung fehlgeschlagen, verbleibende Versuche: </translation>
    </message>
</context>
<context>
    <name>WFingerPrint</name>
    <message>
        <source>Fingerprint Authenticate </source>
        <translation>Fingerabdruck-Authentifizierung </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>PIN Authenticate</source>
        <translation>PIN-Authentifizierung</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;/head&gt;&lt;body style=&quot; white-space: pre-wrap; font-family:Fixedsys; font-size:16pt; font-weight:600; font-style:normal; text-decoration: line-through;&quot;&gt;&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-weight:400; text-decoration:none;&quot;&gt;ABCD&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;/head&gt;&lt;body style=&quot; white-space: pre-wrap; font-family:Fixedsys; font-size:16pt; font-weight:600; font-style:normal; text-decoration: line-through;&quot;&gt;&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-weight:400; text-decoration:none;&quot;&gt;ABCD&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>WPinInput</name>
    <message>
        <source>PIN Password Authenticate</source>
        <translation>PIN-Eingabe</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Warning:PIN password must be 2-8 characters!</source>
        <translation>Hinweis: Die PIN muss 2 bis 8 Zeichen lang sein!</translation>
    </message>
    <message>
        <source>Input PIN password:</source>
        <translation>PIN eingeben:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
