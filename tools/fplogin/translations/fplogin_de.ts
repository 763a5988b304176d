<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>fplogin::DemoHost</name>
    <message>
        <source>cannot place the finger: %1</source>
        <translation>Finger kann nicht aufgelegt werden: %1</translation>
    </message>
    <message>
        <source>finger &quot;%1&quot; placed on the sensor</source>
        <translation>Finger „%1“ auf den Sensor gelegt</translation>
    </message>
    <message>
        <source>scan &quot;%1&quot; placed on the sensor</source>
        <translation>Scan „%1“ auf den Sensor gelegt</translation>
    </message>
    <message>
        <source>finger lifted</source>
        <translation>Finger abgehoben</translation>
    </message>
</context>
<context>
    <name>fplogin::SensorWindow</name>
    <message>
        <source>Virtual sensor</source>
        <translation>Virtueller Sensor</translation>
    </message>
    <message>
        <source>Place enrolled finger (%1)</source>
        <translation>Registrierten Finger auflegen (%1)</translation>
    </message>
    <message>
        <source>Place unknown finger</source>
        <translation>Unbekannten Finger auflegen</translation>
    </message>
    <message>
        <source>Choose a scan…</source>
        <translation>Scan auswählen…</translation>
    </message>
    <message>
        <source>Fingerprint scan</source>
        <translation>Fingerabdruck-Scan</translation>
    </message>
    <message>
        <source>Scans (*.pgm *.png);;All files (*)</source>
        <translation>Scans (*.pgm *.png);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Dirty capture</source>
        <translation>Verschmutzte Aufnahme</translation>
    </message>
    <message>
        <source>the next capture finds the sensor dirty</source>
        <translation>die nächste Aufnahme findet den Sensor verschmutzt</translation>
    </message>
    <message>
        <source>Poor capture</source>
        <translation>Schlechte Aufnahme</translation>
    </message>
    <message>
        <source>the next capture has poor quality</source>
        <translation>die nächste Aufnahme hat schlechte Qualität</translation>
    </message>
    <message>
        <source>Lift finger</source>
        <translation>Finger abheben</translation>
    </message>
    <message>
        <source>A placed finger stays until one capture has taken it.</source>
        <translation>Ein aufgelegter Finger bleibt liegen, bis eine Aufnahme ihn erfasst hat.</translation>
    </message>
    <message>
        <source>cannot inject: %1</source>
        <translation>Einspeisen nicht möglich: %1</translation>
    </message>
</context>
</TS>
